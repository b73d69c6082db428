// Makes movies from a generated folder of time-stamped stills and prints how fast the frame loop
// runs and how much memory it takes, beside the ffmpeg command line on the same stills.
//
// Each codec is measured in a fresh process (this program started again with --measure), so the
// peak resident size of one run is not raised by the still generator or by an earlier codec.
// Only the MakeMovie call is timed. Every measured codec also prints one "RESULT key=value ..."
// line for bench/run-benchmark.sh.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/clock.h"
#include "movie/frame_selection.h"
#include "movie/image_scan.h"
#include "movie/make_movie.h"
#include "movie/movie_gen.h"
#include "movie/setup_changed_flag.h"

namespace chronoreel {
namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

// Stills whose index gives this remainder are 2 pixels wider than the movie, so that a few frames
// of every run go through the scaler as a camera's odd frame would.
constexpr int kOddSizeEvery = 100;
constexpr int kOddSizeRemainder = 50;
constexpr int kOddExtraWidth = 2;
constexpr int kStillQuality = 85;
constexpr int kMovieFps = 24;
// The photographs the default stills are cut from, in bench/photos.
constexpr const char* kPhotoNames[] = {"mate-Storm.jpg", "mate-Wood.jpg", "mate-FreshFlower.jpg"};
constexpr int kStillsPerPhoto = 200;
// Written beside generated stills so that --keep-stills knows a folder it may reuse or refill.
constexpr const char* kMarkerName = ".chronoreel-benchmark";

enum class StillKind { kPhotos, kSynthetic };

struct Options {
    int frames = 600;
    int width = 1280;
    int height = 720;
    StillKind stills = StillKind::kPhotos;
    // Empty: the standard jobs. Otherwise one job per code at --quality, ffmpeg matched to it.
    std::vector<std::string> codecs;
    int quality = 7500;             // stored scale 0..10000
    std::vector<std::string> jobs;  // the jobs to run, all when empty
    fs::path photoDir = CHRONOREEL_BENCH_PHOTOS;
    std::optional<fs::path> keepStills;
    fs::path workRoot;
    bool ffmpeg = true;
    // The scan job: this many empty still names, listed, stamped, sorted and selected.
    int scanNames = 0;
    // Internal: measure the single codec in this process with the stills already in stillDir.
    bool measure = false;
    bool measureScan = false;
    fs::path stillDir;
    fs::path outputDir;
};

[[noreturn]] void Usage(const std::string& problem) {
    std::cerr << "movie_benchmark: " << problem << "\n"
              << "usage: movie_benchmark [--frames N] [--width W] [--height H]\n"
                 "                       [--stills photos|synthetic] [--photos DIR]\n"
                 "                       [--job NAME,...]\n"
                 "                       [--codec DIB,MJPG,...] [--quality 0..10000]\n"
                 "                       [--keep-stills DIR] [--work-dir DIR] [--no-ffmpeg]\n"
                 "       movie_benchmark --scan N [--work-dir DIR]\n";
    std::exit(64);
}

int ParseCount(const std::string& text, const char* name, int low, int high) {
    try {
        std::size_t used = 0;
        const int value = std::stoi(text, &used);
        if (used == text.size() && value >= low && value <= high) {
            return value;
        }
    } catch (const std::exception&) {
    }
    Usage(std::string(name) + " must be a whole number from " + std::to_string(low) + " to " +
          std::to_string(high));
}

std::vector<std::string> SplitCodecs(const std::string& text) {
    std::vector<std::string> codecs;
    std::stringstream stream(text);
    std::string codec;
    while (std::getline(stream, codec, ',')) {
        if (codec.empty() || codec.size() > 4) {
            Usage("a codec is a code of 1 to 4 letters, such as DIB or MJPG");
        }
        codecs.push_back(codec);
    }
    if (codecs.empty()) {
        Usage("--codec needs at least one code");
    }
    return codecs;
}

std::vector<std::string> SplitNames(const std::string& text) {
    std::vector<std::string> names;
    std::stringstream stream(text);
    std::string name;
    while (std::getline(stream, name, ',')) {
        if (!name.empty()) {
            names.push_back(name);
        }
    }
    if (names.empty()) {
        Usage("--job needs at least one name");
    }
    return names;
}

fs::path DefaultWorkRoot() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? fs::path(tmp) : fs::path("/tmp");
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    options.workRoot = DefaultWorkRoot();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                Usage(arg + " needs a value");
            }
            return argv[++i];
        };
        if (arg == "--frames") {
            options.frames = ParseCount(value(), "--frames", 1, 1000000);
        } else if (arg == "--width") {
            options.width = ParseCount(value(), "--width", 16, 8192);
        } else if (arg == "--height") {
            options.height = ParseCount(value(), "--height", 16, 8192);
        } else if (arg == "--codec") {
            options.codecs = SplitCodecs(value());
        } else if (arg == "--stills") {
            const std::string kind = value();
            if (kind != "photos" && kind != "synthetic") {
                Usage("--stills is photos or synthetic");
            }
            options.stills = kind == "photos" ? StillKind::kPhotos : StillKind::kSynthetic;
        } else if (arg == "--job") {
            options.jobs = SplitNames(value());
        } else if (arg == "--photos") {
            options.photoDir = value();
        } else if (arg == "--quality") {
            options.quality = ParseCount(value(), "--quality", 0, 10000);
        } else if (arg == "--keep-stills") {
            options.keepStills = value();
        } else if (arg == "--work-dir") {
            options.workRoot = value();
        } else if (arg == "--no-ffmpeg") {
            options.ffmpeg = false;
        } else if (arg == "--scan") {
            options.scanNames = ParseCount(value(), "--scan", 1, 10000000);
        } else if (arg == "--measure") {
            options.measure = true;
        } else if (arg == "--measure-scan") {
            options.measureScan = true;
        } else if (arg == "--still-dir") {
            options.stillDir = value();
        } else if (arg == "--output-dir") {
            options.outputDir = value();
        } else if (arg == "--help" || arg == "-h") {
            Usage("makes movies from generated stills and prints frames/s and peak memory");
        } else {
            Usage("unknown option " + arg);
        }
    }
    if (options.measure &&
        (options.jobs.size() != 1 || options.stillDir.empty() || options.outputDir.empty())) {
        Usage("--measure takes one --job, --still-dir and --output-dir");
    }
    if (options.measureScan && (options.scanNames == 0 || options.stillDir.empty())) {
        Usage("--measure-scan takes --scan and --still-dir");
    }
    return options;
}

// --- numbers ---

double Mib(double bytes) {
    return bytes / (1024.0 * 1024.0);
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Resident size now, from the kernel's own accounting of this process.
long CurrentRssKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

long PeakRssKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// User plus system time of every thread; less disturbed than the wall time on a busy machine.
double CpuSeconds(const rusage& usage) {
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return CpuSeconds(usage);
}

double SecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

// --- stills ---

struct TurboJpegDeleter {
    void operator()(void* handle) const noexcept { tjDestroy(handle); }
};
using TurboJpegHandle = std::unique_ptr<void, TurboJpegDeleter>;

// Small, fast and the same on every machine, so that two runs compress the same pictures.
class NoiseSource {
  public:
    explicit NoiseSource(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }

  private:
    std::uint32_t state_;
};

std::uint8_t Clamp(int value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// A picture that changes from frame to frame the way a time-lapse does: a drifting colour
// gradient, a textured lower half, a bright disc crossing the sky and sensor noise. The noise
// and texture bring the JPEG size near a real camera's (about 100-200 KB at 1280x720).
void DrawStill(int index, int width, int height, std::vector<std::uint8_t>& rgb) {
    rgb.resize(static_cast<std::size_t>(width) * height * 3);
    NoiseSource noise(static_cast<std::uint32_t>(index) + 1);
    const int shift = index * 3;
    const double discX = std::fmod(index * 7.0, width + 200.0) - 100.0;
    const double discY = height * 0.25;
    const double discRadius = height * 0.08;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = rgb.data() + static_cast<std::size_t>(y) * width * 3;
        const bool ground = y > height / 2;
        for (int x = 0; x < width; ++x) {
            int red = (x + shift) * 255 / (width + height) % 256;
            int green = (y * 200) / height + (index % 50);
            int blue = 255 - (x + y + shift) * 200 / (width + height) % 200;
            if (ground) {
                const int texture = static_cast<int>(40.0 * std::sin(x * 0.21 + y * 0.05) *
                                                     std::cos(y * 0.33 - x * 0.02 + index));
                red = red / 2 + 40 + texture;
                green = green / 2 + 60 + texture;
                blue = blue / 3 + 20 + texture / 2;
            }
            const double dx = x - discX;
            const double dy = y - discY;
            if (dx * dx + dy * dy < discRadius * discRadius) {
                red = 250;
                green = 240;
                blue = 200;
            }
            const int grain = static_cast<int>(noise.Next() % 15) - 7;
            row[3 * x + 0] = Clamp(red + grain);
            row[3 * x + 1] = Clamp(green + grain);
            row[3 * x + 2] = Clamp(blue + grain);
        }
    }
}

// YYYYMMDDHHMMSS.jpg, one minute apart from 2024-06-01 00:00:00.
std::string StillName(int index) {
    const std::time_t first = 1717200000;  // 2024-06-01 00:00:00 UTC
    const std::time_t when = first + static_cast<std::time_t>(index) * 60;
    std::tm parts{};
    gmtime_r(&when, &parts);
    char name[32];
    std::strftime(name, sizeof name, "%Y%m%d%H%M%S.jpg", &parts);
    return name;
}

bool IsOddSized(int index) {
    return index % kOddSizeEvery == kOddSizeRemainder;
}

int StillWidth(int index, int width) {
    return IsOddSized(index) ? width + kOddExtraWidth : width;
}

int OddSizedStills(int frames) {
    int count = 0;
    for (int i = 0; i < frames; ++i) {
        count += IsOddSized(i) ? 1 : 0;
    }
    return count;
}

std::string MarkerText(const Options& options) {
    return "frames=" + std::to_string(options.frames) + " width=" + std::to_string(options.width) +
           " height=" + std::to_string(options.height) +
           (options.stills == StillKind::kPhotos ? " stills=photos" : " stills=synthetic") +
           " version=2\n";
}

// --- stills cut from photographs ---

// A decoded photograph, RGB.
struct Photo {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

Photo DecodePhoto(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<unsigned char> jpeg((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (jpeg.empty()) {
        throw std::runtime_error("cannot read the photograph " + file.string());
    }
    const TurboJpegHandle decompressor(tjInitDecompress());
    int subsampling = 0;
    int colourspace = 0;
    Photo photo;
    if (!decompressor ||
        tjDecompressHeader3(decompressor.get(), jpeg.data(), jpeg.size(), &photo.width,
                            &photo.height, &subsampling, &colourspace) != 0) {
        throw std::runtime_error("cannot read the header of " + file.string());
    }
    photo.rgb.resize(static_cast<std::size_t>(photo.width) * photo.height * 3);
    // A warning (such as data after the end of the picture) still leaves a whole picture.
    if (tjDecompress2(decompressor.get(), jpeg.data(), jpeg.size(), photo.rgb.data(), photo.width,
                      0, photo.height, TJPF_RGB, 0) != 0 &&
        tjGetErrorCode(decompressor.get()) != TJERR_WARNING) {
        throw std::runtime_error("cannot decode " + file.string() + ": " +
                                 tjGetErrorStr2(decompressor.get()));
    }
    return photo;
}

std::vector<Photo> DecodePhotos(const fs::path& dir) {
    std::vector<Photo> photos;
    for (const char* name : kPhotoNames) {
        photos.push_back(DecodePhoto(dir / name));
    }
    return photos;
}

// A position that runs from 0 to range and back, one step per still.
int Sweep(int step, int range) {
    if (range <= 0) {
        return 0;
    }
    const int phase = step % (2 * range);
    return phase <= range ? phase : 2 * range - phase;
}

// Still index of width x height cut from the photographs like a camera panning slowly: each
// photograph in turn for kStillsPerPhoto stills, the window moving a pixel a still sideways and
// a pixel every third still up or down. A window larger than the photograph is scaled to fit
// (nearest pixel).
void CutStill(const std::vector<Photo>& photos, int index, int width, int height,
              std::vector<std::uint8_t>& rgb) {
    const Photo& photo = photos[static_cast<std::size_t>(index / kStillsPerPhoto) % photos.size()];
    const double scale = std::max({1.0, static_cast<double>(width) / photo.width,
                                   static_cast<double>(height) / photo.height});
    const int windowWidth = std::min(photo.width, static_cast<int>(std::ceil(width / scale)));
    const int windowHeight = std::min(photo.height, static_cast<int>(std::ceil(height / scale)));
    const int left = Sweep(index, photo.width - windowWidth);
    const int top = Sweep(index / 3, photo.height - windowHeight);
    rgb.resize(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const int sourceY = std::min(photo.height - 1, top + static_cast<int>(y / scale));
        const std::uint8_t* source =
            photo.rgb.data() + static_cast<std::size_t>(sourceY) * photo.width * 3;
        std::uint8_t* row = rgb.data() + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            const int sourceX = std::min(photo.width - 1, left + static_cast<int>(x / scale));
            std::copy_n(source + 3 * sourceX, 3, row + 3 * x);
        }
    }
}

void WriteStills(const Options& options, const fs::path& dir) {
    const TurboJpegHandle compressor(tjInitCompress());
    if (!compressor) {
        throw std::runtime_error("cannot start the JPEG compressor");
    }
    const std::vector<Photo> photos = options.stills == StillKind::kPhotos
                                          ? DecodePhotos(options.photoDir)
                                          : std::vector<Photo>{};
    std::vector<std::uint8_t> rgb;
    std::vector<unsigned char> jpeg(
        tjBufSize(options.width + kOddExtraWidth, options.height, TJSAMP_420));
    for (int i = 0; i < options.frames; ++i) {
        const int width = StillWidth(i, options.width);
        if (photos.empty()) {
            DrawStill(i, width, options.height, rgb);
        } else {
            CutStill(photos, i, width, options.height, rgb);
        }
        unsigned char* out = jpeg.data();
        unsigned long size = 0;
        if (tjCompress2(compressor.get(), rgb.data(), width, 0, options.height, TJPF_RGB, &out,
                        &size, TJSAMP_420, kStillQuality, TJFLAG_NOREALLOC) != 0) {
            throw std::runtime_error(std::string("cannot compress a still: ") +
                                     tjGetErrorStr2(compressor.get()));
        }
        std::ofstream file(dir / StillName(i), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(size));
        if (!file) {
            throw std::runtime_error("cannot write " + (dir / StillName(i)).string());
        }
    }
    std::ofstream(dir / kMarkerName) << MarkerText(options);
}

bool IsGeneratedStillName(const std::string& name) {
    if (name.size() != 18 || name.substr(14) != ".jpg") {
        return false;
    }
    for (int i = 0; i < 14; ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return false;
        }
    }
    return true;
}

std::string ReadMarker(const fs::path& dir) {
    std::ifstream file(dir / kMarkerName);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Makes sure dir holds the stills of options: kept ones are reused when they match, otherwise the
// folder is filled again. A folder holding anything this benchmark did not write is refused, so
// that no one's pictures are deleted.
bool PrepareStillFolder(const Options& options, const fs::path& dir) {
    fs::create_directories(dir);
    const bool ours = fs::exists(dir / kMarkerName);
    if (ours && ReadMarker(dir) == MarkerText(options)) {
        return false;
    }
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (!ours || !(name == kMarkerName || IsGeneratedStillName(name))) {
            throw std::runtime_error("the still folder " + dir.string() +
                                     " holds files this benchmark did not write (" + name +
                                     "); give an empty or new folder");
        }
    }
    for (const auto& entry : fs::directory_iterator(dir)) {
        fs::remove(entry.path());
    }
    return true;
}

// The generator runs in a child process so that its buffers never count in a measured peak.
void GenerateStills(const Options& options, const fs::path& dir) {
    std::cout << "Generating " << options.frames << " stills of " << options.width << "x"
              << options.height << " in " << dir.string() << " ..." << std::endl;
    const auto start = SteadyClock::now();
    const pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("cannot start the still generator");
    }
    if (child == 0) {
        try {
            WriteStills(options, dir);
        } catch (const std::exception& error) {
            std::cerr << "movie_benchmark: " << error.what() << std::endl;
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("the still generator failed");
    }
    std::cout << "  generated in " << Fixed(SecondsSince(start), 1) << " s" << std::endl;
}

void PrintStillSummary(const fs::path& dir, const Options& options) {
    std::uintmax_t total = 0;
    int count = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (IsGeneratedStillName(entry.path().filename().string())) {
            total += entry.file_size();
            ++count;
        }
    }
    std::cout << "Stills: " << count << " JPEGs, " << options.width << "x" << options.height << " ("
              << OddSizedStills(options.frames) << " at " << options.width + kOddExtraWidth << "x"
              << options.height << "), mean " << Fixed(count > 0 ? total / 1024.0 / count : 0, 0)
              << " KiB, total " << Fixed(Mib(static_cast<double>(total)), 1) << " MiB" << std::endl;
}

// --- child processes ---

struct ChildResult {
    bool ok = false;
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKib = 0;
};

// Runs a program with its output dropped (unless keepOutput) and returns its time and peak RSS.
ChildResult RunProgram(const std::vector<std::string>& args, bool keepOutput) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = SteadyClock::now();
    const pid_t child = fork();
    if (child < 0) {
        return {};
    }
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        if (!keepOutput) {
            dup2(null, STDOUT_FILENO);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    ChildResult result;
    result.seconds = SecondsSince(start);
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.peakKib = usage.ru_maxrss;
    result.cpuSeconds = CpuSeconds(usage);
    return result;
}

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty() && access((fs::path(dir) / program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

// --- one codec, measured in this process ---

std::int32_t FourccOf(std::string text) {
    text.resize(4, ' ');
    std::uint32_t code = 0;
    for (int i = 0; i < 4; ++i) {
        code |= static_cast<std::uint32_t>(static_cast<unsigned char>(text[i])) << (8 * i);
    }
    return static_cast<std::int32_t>(code);
}

std::string UpperCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// The ffmpeg encoder options that match our choice for a code, with the same quality mapping:
// quantiser 31 - 29 * q for the MPEG-style encoders, rate factor 51 - 50 * q for x264.
std::optional<std::vector<std::string>> FfmpegCodecArgs(const std::string& codec, int quality) {
    const std::string code = UpperCase(codec);
    const double fraction = quality / 10000.0;
    const std::string qscale = std::to_string(std::lround(31.0 - fraction * 29.0));
    if (code == "DIB") {
        return std::vector<std::string>{"-c:v", "rawvideo", "-pix_fmt", "bgr24"};
    }
    if (code == "MJPG") {
        return std::vector<std::string>{"-c:v", "mjpeg", "-q:v", qscale};
    }
    if (code == "FMP4" || code == "XVID" || code == "DIVX" || code == "DX50") {
        return std::vector<std::string>{"-c:v", "mpeg4", "-q:v", qscale,
                                        "-bf",  "0",     "-g",   std::to_string(kMovieFps)};
    }
    if (code == "H264" || code == "X264" || code == "AVC1") {
        return std::vector<std::string>{"-c:v", "libx264", "-crf", Fixed(51.0 - fraction * 50.0, 1),
                                        "-bf",  "0",       "-g",   std::to_string(kMovieFps)};
    }
    if (code == "FFV1") {
        return std::vector<std::string>{"-c:v", "ffv1"};
    }
    if (code == "HFYU") {
        return std::vector<std::string>{"-c:v", "huffyuv"};
    }
    return std::nullopt;
}

double FsyncSeconds(const fs::path& file) {
    const auto start = SteadyClock::now();
    const int descriptor = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor >= 0) {
        fsync(descriptor);
        close(descriptor);
    }
    return SecondsSince(start);
}

// One ffmpeg command line a job is compared with: the output options after the input, and
// whether the scale filter applies (never with a stream copy).
struct FfmpegComparison {
    std::string label;
    std::vector<std::string> outputArgs;
    bool scaled = true;
};

// One measured movie: compressor, quality, movie size (0: the still size) and the ffmpeg
// command lines it is compared with.
struct Job {
    std::string name;
    std::string codec;
    int quality = 7500;
    int movieWidth = 0;
    int movieHeight = 0;
    std::vector<FfmpegComparison> ffmpeg;
};

std::vector<Job> StandardJobs() {
    const std::vector<std::string> raw{"-c:v", "rawvideo", "-pix_fmt", "bgr24"};
    return {
        {"raw", "DIB", 7500, 0, 0, {{"rawvideo", raw}}},
        {"raw-640x360", "DIB", 7500, 640, 360, {{"rawvideo", raw}}},
        {"mjpeg", "MJPG", 7500, 0, 0, {{"mjpeg-q9", {"-c:v", "mjpeg", "-q:v", "9"}}}},
        {"mjpeg-10000",
         "MJPG",
         10000,
         0,
         0,
         {{"mjpeg-q3", {"-c:v", "mjpeg", "-q:v", "3"}}, {"copy", {"-c:v", "copy"}, false}}},
        {"mpeg4",
         "FMP4",
         7500,
         0,
         0,
         {{"mpeg4-q9", {"-c:v", "mpeg4", "-q:v", "9", "-g", "24", "-bf", "0"}}}},
        {"h264",
         "H264",
         7500,
         0,
         0,
         {{"x264-crf13.5", {"-c:v", "libx264", "-crf", "13.5", "-g", "24", "-bf", "0"}}}},
    };
}

// The jobs of a run: the standard set, or one per --codec at --quality; --job picks among them.
std::vector<Job> JobsOf(const Options& options) {
    std::vector<Job> all;
    if (options.codecs.empty()) {
        all = StandardJobs();
    } else {
        for (const std::string& codec : options.codecs) {
            Job job{codec, codec, options.quality, 0, 0, {}};
            if (const auto args = FfmpegCodecArgs(codec, options.quality)) {
                job.ffmpeg.push_back({UpperCase(codec), *args});
            }
            all.push_back(job);
        }
    }
    if (options.jobs.empty()) {
        return all;
    }
    std::vector<Job> picked;
    for (const std::string& name : options.jobs) {
        const auto found =
            std::find_if(all.begin(), all.end(), [&](const Job& job) { return job.name == name; });
        if (found == all.end()) {
            std::string names;
            for (const Job& job : all) {
                names += " " + job.name;
            }
            Usage("no job " + name + "; the jobs are" + names);
        }
        picked.push_back(*found);
    }
    return picked;
}

struct FfmpegMeasure {
    bool ran = false;
    double seconds = 0;
    double fsyncSeconds = 0;
    double cpuSeconds = 0;
    long peakKib = 0;
    std::uintmax_t movieBytes = 0;
};

FfmpegMeasure MeasureFfmpeg(const Options& options, const Job& job,
                            const FfmpegComparison& comparison) {
    FfmpegMeasure measure;
    const fs::path movie = options.outputDir / ("ffmpeg-" + job.name + ".avi");
    std::vector<std::string> args{
        "ffmpeg",        "-nostdin", "-hide_banner", "-loglevel",
        "error",         "-y",       "-framerate",   std::to_string(kMovieFps),
        "-pattern_type", "glob",     "-i",           (options.stillDir / "*.jpg").string()};
    if (comparison.scaled) {
        // The scale filter gives the odd stills the movie size, as our run stretches them; a
        // smaller movie is made with the area filter, as ours averages the pixels it covers.
        const bool resized = job.movieWidth > 0;
        const int width = resized ? job.movieWidth : options.width;
        const int height = resized ? job.movieHeight : options.height;
        args.push_back("-vf");
        args.push_back("scale=" + std::to_string(width) + ":" + std::to_string(height) +
                       (resized ? ":flags=area" : ""));
    }
    args.insert(args.end(), comparison.outputArgs.begin(), comparison.outputArgs.end());
    args.push_back(movie.string());
    std::string commandLine;
    for (const std::string& arg : args) {
        commandLine += (commandLine.empty() ? "" : " ") + arg;
    }
    std::cout << "  ffmpeg command: " << commandLine << std::endl;
    const ChildResult result = RunProgram(args, false);
    if (!result.ok) {
        std::cout << "  ffmpeg:     failed" << std::endl;
        std::error_code ignored;
        fs::remove(movie, ignored);
        return measure;
    }
    measure.ran = true;
    measure.seconds = result.seconds;
    measure.peakKib = result.peakKib;
    measure.cpuSeconds = result.cpuSeconds;
    // Our writer flushes the movie to disk before it publishes it; ffmpeg does not.
    measure.fsyncSeconds = FsyncSeconds(movie);
    std::error_code ignored;
    measure.movieBytes = fs::file_size(movie, ignored);
    fs::remove(movie, ignored);
    return measure;
}

const char* OutcomeText(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::kMovieWritten:
            return "movie written";
        case RunOutcome::kNoFilesFound:
            return "no files found";
        case RunOutcome::kNothingSelected:
            return "nothing selected";
        case RunOutcome::kNothingDecoded:
            return "nothing decoded";
        case RunOutcome::kCancelled:
            return "cancelled";
        case RunOutcome::kOpenFailed:
            return "open failed";
        case RunOutcome::kWriteFailed:
            return "write failed";
    }
    return "?";
}

int MeasureJob(const Options& options) {
    const Job job = JobsOf(options).front();
    const fs::path movie = options.outputDir / ("movie-" + job.name + ".avi");

    SetupChangedFlag changed;
    MovieGen gen(changed);
    gen.SetStillDirectory(options.stillDir.string());
    gen.SetImageFilter("*.jpg");
    gen.SetTimeStampOption(1);  // time stamps from the YYYYMMDDHHMMSS names
    gen.SetOutputAVIPath(movie.string());
    gen.SetCompressHandler(FourccOf(UpperCase(job.codec)));
    gen.SetCompressQuality(job.quality);
    gen.SetMovieFPS(kMovieFps);
    if (job.movieWidth > 0) {
        gen.SetMovieSizeOption(1);
        gen.SetMovieSizeWidth(job.movieWidth);
        gen.SetMovieSizeHeight(job.movieHeight);
    }
    const SystemClock clock;
    const RunContext context{clock,
                             {[] { return 0.25; }, [] { return 0.75; }},
                             nullptr,
                             true,
                             [](std::string_view line) { std::cerr << line << std::endl; },
                             {}};

    const long beforeKib = CurrentRssKib();
    const double cpuBefore = OwnCpuSeconds();
    const auto start = SteadyClock::now();
    const RunOutcome outcome = MakeMovie(gen, context);
    const double seconds = SecondsSince(start);
    const double cpuSeconds = OwnCpuSeconds() - cpuBefore;
    const long peakKib = PeakRssKib();

    std::error_code ignored;
    const std::uintmax_t movieBytes = fs::file_size(movie, ignored);
    fs::remove(movie, ignored);
    const double fps = options.frames / seconds;
    std::cout << "Job " << job.name << ": " << job.codec << " at quality " << job.quality << ", "
              << options.frames << " frames of " << gen.RunState().movieWidth << "x"
              << gen.RunState().movieHeight << ": " << OutcomeText(outcome) << std::endl;
    std::cout << "  chronoreel: " << Fixed(seconds, 2) << " s, " << Fixed(fps, 1)
              << " frames/s, CPU " << Fixed(cpuSeconds, 2) << " s ("
              << Fixed(cpuSeconds * 1000 / options.frames, 2) << " ms/frame), movie "
              << Fixed(Mib(static_cast<double>(movieBytes)), 1) << " MiB" << std::endl;
    std::cout << "  memory:     RSS before the run " << Fixed(beforeKib / 1024.0, 1)
              << " MiB, peak (ru_maxrss) " << Fixed(peakKib / 1024.0, 1)
              << " MiB, peak minus before " << Fixed((peakKib - beforeKib) / 1024.0, 1) << " MiB"
              << std::endl;

    std::ostringstream ours;
    ours << "RESULT job=" << job.name << " codec=" << job.codec << " quality=" << job.quality
         << " frames=" << options.frames << " width=" << gen.RunState().movieWidth
         << " height=" << gen.RunState().movieHeight
         << " outcome=" << (outcome == RunOutcome::kMovieWritten ? "ok" : "failed")
         << " seconds=" << Fixed(seconds, 3) << " fps=" << Fixed(fps, 1)
         << " cpu_ms_per_frame=" << Fixed(cpuSeconds * 1000 / options.frames, 2)
         << " movie_mib=" << Fixed(Mib(static_cast<double>(movieBytes)), 1)
         << " rss_before_mib=" << Fixed(beforeKib / 1024.0, 1)
         << " peak_mib=" << Fixed(peakKib / 1024.0, 1)
         << " run_mib=" << Fixed((peakKib - beforeKib) / 1024.0, 1);

    const bool compare = options.ffmpeg && OnPath("ffmpeg") && !job.ffmpeg.empty();
    if (options.ffmpeg && !OnPath("ffmpeg")) {
        std::cout << "  ffmpeg:     not on PATH, no comparison" << std::endl;
    }
    if (!compare) {
        std::cout << ours.str() << std::endl;
    }
    for (const FfmpegComparison& comparison :
         compare ? job.ffmpeg : std::vector<FfmpegComparison>{}) {
        const FfmpegMeasure ffmpeg = MeasureFfmpeg(options, job, comparison);
        if (ffmpeg.ran) {
            const double ffmpegFps = options.frames / ffmpeg.seconds;
            std::cout << "  ffmpeg:     " << Fixed(ffmpeg.seconds, 2) << " s, "
                      << Fixed(ffmpegFps, 1) << " frames/s ("
                      << Fixed(options.frames / (ffmpeg.seconds + ffmpeg.fsyncSeconds), 1)
                      << " with an fsync of its movie, as our writer does), CPU "
                      << Fixed(ffmpeg.cpuSeconds, 2) << " s ("
                      << Fixed(ffmpeg.cpuSeconds * 1000 / options.frames, 2) << " ms/frame), movie "
                      << Fixed(Mib(static_cast<double>(ffmpeg.movieBytes)), 1) << " MiB, peak "
                      << Fixed(ffmpeg.peakKib / 1024.0, 1) << " MiB" << std::endl;
            // Above 1: ours makes more frames a second than this ffmpeg command line.
            std::cout << "  chronoreel / ffmpeg (" << comparison.label
                      << ") frames/s: " << Fixed(fps / ffmpegFps, 2) << std::endl;
            std::cout << ours.str() << " ffmpeg=" << comparison.label
                      << " ffmpeg_fps=" << Fixed(ffmpegFps, 1) << " ffmpeg_fsync_fps="
                      << Fixed(options.frames / (ffmpeg.seconds + ffmpeg.fsyncSeconds), 1)
                      << " ffmpeg_cpu_ms_per_frame="
                      << Fixed(ffmpeg.cpuSeconds * 1000 / options.frames, 2) << " ffmpeg_movie_mib="
                      << Fixed(Mib(static_cast<double>(ffmpeg.movieBytes)), 1)
                      << " ffmpeg_peak_mib=" << Fixed(ffmpeg.peakKib / 1024.0, 1)
                      << " ratio=" << Fixed(fps / ffmpegFps, 2) << std::endl;
        } else {
            std::cout << ours.str() << " ffmpeg=" << comparison.label << " ffmpeg_fps=failed"
                      << std::endl;
        }
    }
    return outcome == RunOutcome::kMovieWritten ? 0 : 1;
}

// --- the scan job ---

// Empty files with the names of one-minute stills: the scan reads names, never contents.
void WriteEmptyStills(int count, const fs::path& dir) {
    fs::create_directories(dir);
    for (int i = 0; i < count; ++i) {
        const int file = open((dir / StillName(i)).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (file < 0) {
            throw std::runtime_error("cannot create " + (dir / StillName(i)).string());
        }
        close(file);
    }
}

// Lists, stamps (from the names), sorts and selects as a run without a window does, with the
// same progress texts built and dropped, and prints the time and peak memory.
int MeasureScan(const Options& options) {
    ScanSettings scan{options.stillDir.string(), "*.jpg", TimeStampSource::kFileName};
    std::size_t textBytes = 0;  // keeps the progress texts from being optimised away
    ScanProgress scanProgress{
        [] { return false; },
        [&](std::string_view name) { textBytes += ("Found: " + std::string(name)).size(); },
        nullptr};
    MovieSettings all;
    MovieSettings thinned;
    thinned.ImageIntervalOption = 1;
    thinned.ImagesPerHour = 20;  // every third still of one-minute stills
    SelectionProgress selectionProgress{
        [&](std::size_t index, std::size_t count) {
            textBytes +=
                ("Frame: " + std::to_string(index) + " of " + std::to_string(count)).size();
        },
        [] { return false; }};

    const long beforeKib = CurrentRssKib();
    const double cpuBefore = OwnCpuSeconds();
    const auto start = SteadyClock::now();
    const ImageList images = GetFileSpecs(scan, scanProgress);
    const double scanSeconds = SecondsSince(start);
    const auto selectStart = SteadyClock::now();
    const FrameSelection every = SelectFrames(images.stamps, all, TimeWindow{}, selectionProgress);
    const double selectAllSeconds = SecondsSince(selectStart);
    const double cpuSeconds = OwnCpuSeconds() - cpuBefore;
    const auto thinStart = SteadyClock::now();
    const FrameSelection third =
        SelectFrames(images.stamps, thinned, TimeWindow{}, selectionProgress);
    const double thinSeconds = SecondsSince(thinStart);
    // The same folder stamped by the files' modification times: a status call per file, and
    // the stamps (written within seconds of each other) all but equal, which the sort must order.
    const auto modifiedStart = SteadyClock::now();
    const std::size_t modifiedCount =
        GetFileSpecs({options.stillDir.string(), "*.jpg", TimeStampSource::kLastModified}, {})
            .size();
    const double modifiedSeconds = SecondsSince(modifiedStart);
    const long peakKib = PeakRssKib();

    const double totalMs = (scanSeconds + selectAllSeconds) * 1000;
    std::cout << "Scan of " << options.scanNames << " names: " << images.size() << " images, "
              << every.frames.size() << " frames (all), " << third.frames.size()
              << " frames (20 an hour); progress texts " << textBytes << " bytes" << std::endl;
    std::cout << "  GetFileSpecs " << Fixed(scanSeconds * 1000, 1) << " ms, SelectFrames (all) "
              << Fixed(selectAllSeconds * 1000, 1) << " ms, (20 an hour) "
              << Fixed(thinSeconds * 1000, 1) << " ms; scan and select " << Fixed(totalMs, 1)
              << " ms (CPU " << Fixed(cpuSeconds * 1000, 1) << " ms)" << std::endl;
    std::cout << "  GetFileSpecs by modification time " << Fixed(modifiedSeconds * 1000, 1)
              << " ms (" << modifiedCount << " images)" << std::endl;
    std::cout << "  memory:     RSS before " << Fixed(beforeKib / 1024.0, 1) << " MiB, peak "
              << Fixed(peakKib / 1024.0, 1) << " MiB, peak minus before "
              << Fixed((peakKib - beforeKib) / 1024.0, 1) << " MiB" << std::endl;
    std::cout << "RESULT job=scan names=" << options.scanNames << " images=" << images.size()
              << " scan_ms=" << Fixed(scanSeconds * 1000, 1)
              << " select_ms=" << Fixed(selectAllSeconds * 1000, 1)
              << " thin_ms=" << Fixed(thinSeconds * 1000, 1) << " total_ms=" << Fixed(totalMs, 1)
              << " cpu_ms=" << Fixed(cpuSeconds * 1000, 1)
              << " modified_scan_ms=" << Fixed(modifiedSeconds * 1000, 1)
              << " peak_mib=" << Fixed(peakKib / 1024.0, 1)
              << " run_mib=" << Fixed((peakKib - beforeKib) / 1024.0, 1) << std::endl;
    return images.size() == static_cast<std::size_t>(options.scanNames) ? 0 : 1;
}

// --- the whole benchmark ---

// A folder under the work root that is removed with everything in it at the end.
class WorkFolder {
  public:
    explicit WorkFolder(const fs::path& root) {
        std::string pattern = (root / "chronoreel-bench.XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a work folder in " + root.string());
        }
        path_ = pattern;
    }
    ~WorkFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

// A rough need: the stills and one uncompressed movie (ours and ffmpeg's are never both kept).
void CheckRoom(const Options& options, const fs::path& dir) {
    const double frameBytes = 3.0 * options.width * options.height;
    const double need = options.frames * (frameBytes * 1.05 + frameBytes / 15.0);
    struct statvfs info {};
    if (statvfs(dir.c_str(), &info) != 0) {
        return;
    }
    const double room = static_cast<double>(info.f_bavail) * info.f_frsize;
    if (room < need) {
        throw std::runtime_error("not enough room in " + dir.string() + ": about " +
                                 Fixed(need / 1e9, 1) + " GB needed, " + Fixed(room / 1e9, 1) +
                                 " GB free; use fewer --frames or a smaller size");
    }
}

int MeasureInFreshProcess(const Options& options, const Job& job, const fs::path& stillDir,
                          const fs::path& outputDir) {
    std::vector<std::string> args{"/proc/self/exe", "--measure",
                                  "--job",          job.name,
                                  "--frames",       std::to_string(options.frames),
                                  "--width",        std::to_string(options.width),
                                  "--height",       std::to_string(options.height),
                                  "--quality",      std::to_string(options.quality),
                                  "--still-dir",    stillDir.string(),
                                  "--output-dir",   outputDir.string()};
    if (!options.codecs.empty()) {
        std::string codecs;
        for (const std::string& codec : options.codecs) {
            codecs += (codecs.empty() ? "" : ",") + codec;
        }
        args.push_back("--codec");
        args.push_back(codecs);
    }
    if (!options.ffmpeg) {
        args.push_back("--no-ffmpeg");
    }
    return RunProgram(args, true).ok ? 0 : 1;
}

// About 300 bytes of directory entry and inode per empty file.
void CheckScanRoom(const Options& options, const fs::path& dir) {
    struct statvfs info {};
    if (statvfs(dir.c_str(), &info) != 0) {
        return;
    }
    const double room = static_cast<double>(info.f_bavail) * info.f_frsize;
    if (info.f_favail < static_cast<fsfilcnt_t>(options.scanNames) + 1000 ||
        room < options.scanNames * 4096.0) {
        throw std::runtime_error("not enough room or inodes in " + dir.string() + " for " +
                                 std::to_string(options.scanNames) + " files");
    }
}

int RunScanBenchmark(const Options& options) {
    const WorkFolder work(options.workRoot);
    CheckScanRoom(options, work.Path());
    const fs::path dir = work.Path() / "names";
    std::cout << "Writing " << options.scanNames << " empty still names in " << dir.string()
              << " ..." << std::endl;
    const auto start = SteadyClock::now();
    WriteEmptyStills(options.scanNames, dir);
    std::cout << "  written in " << Fixed(SecondsSince(start), 1) << " s" << std::endl;
    const std::vector<std::string> args{"/proc/self/exe", "--measure-scan",
                                        "--scan",         std::to_string(options.scanNames),
                                        "--still-dir",    dir.string()};
    return RunProgram(args, true).ok ? 0 : 1;
}

int RunBenchmark(const Options& options) {
    const WorkFolder work(options.workRoot);
    CheckRoom(options, work.Path());
    const fs::path stillDir = options.keepStills ? *options.keepStills : work.Path() / "stills";
    if (PrepareStillFolder(options, stillDir)) {
        GenerateStills(options, stillDir);
    } else {
        std::cout << "Reusing the stills in " << stillDir.string() << std::endl;
    }
    PrintStillSummary(stillDir, options);
    int failures = 0;
    for (const Job& job : JobsOf(options)) {
        failures += MeasureInFreshProcess(options, job, stillDir, work.Path());
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace chronoreel

int main(int argc, char** argv) {
    const chronoreel::Options options = chronoreel::ParseOptions(argc, argv);
    // An unknown --job name is refused before any still is written.
    chronoreel::JobsOf(options);
    try {
        if (options.measureScan) {
            return chronoreel::MeasureScan(options);
        }
        if (options.scanNames > 0) {
            return chronoreel::RunScanBenchmark(options);
        }
        return options.measure ? chronoreel::MeasureJob(options)
                               : chronoreel::RunBenchmark(options);
    } catch (const std::exception& error) {
        std::cerr << "movie_benchmark: " << error.what() << std::endl;
        return 1;
    }
}
