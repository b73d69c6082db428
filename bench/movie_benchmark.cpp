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

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/clock.h"
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
// Written beside generated stills so that --keep-stills knows a folder it may reuse or refill.
constexpr const char* kMarkerName = ".chronoreel-benchmark";

struct Options {
    int frames = 600;
    int width = 1280;
    int height = 720;
    std::vector<std::string> codecs{"DIB", "MJPG"};
    int quality = 7500;  // stored scale 0..10000
    std::optional<fs::path> keepStills;
    fs::path workRoot;
    bool ffmpeg = true;
    // Internal: measure the single codec in this process with the stills already in stillDir.
    bool measure = false;
    fs::path stillDir;
    fs::path outputDir;
};

[[noreturn]] void Usage(const std::string& problem) {
    std::cerr << "movie_benchmark: " << problem << "\n"
              << "usage: movie_benchmark [--frames N] [--width W] [--height H]\n"
                 "                       [--codec DIB,MJPG,...] [--quality 0..10000]\n"
                 "                       [--keep-stills DIR] [--work-dir DIR] [--no-ffmpeg]\n";
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
        } else if (arg == "--quality") {
            options.quality = ParseCount(value(), "--quality", 0, 10000);
        } else if (arg == "--keep-stills") {
            options.keepStills = value();
        } else if (arg == "--work-dir") {
            options.workRoot = value();
        } else if (arg == "--no-ffmpeg") {
            options.ffmpeg = false;
        } else if (arg == "--measure") {
            options.measure = true;
        } else if (arg == "--stills") {
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
        (options.codecs.size() != 1 || options.stillDir.empty() || options.outputDir.empty())) {
        Usage("--measure takes one --codec, --stills and --output-dir");
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
           " height=" + std::to_string(options.height) + " version=1\n";
}

void WriteStills(const Options& options, const fs::path& dir) {
    const TurboJpegHandle compressor(tjInitCompress());
    if (!compressor) {
        throw std::runtime_error("cannot start the JPEG compressor");
    }
    std::vector<std::uint8_t> rgb;
    std::vector<unsigned char> jpeg(
        tjBufSize(options.width + kOddExtraWidth, options.height, TJSAMP_420));
    for (int i = 0; i < options.frames; ++i) {
        const int width = StillWidth(i, options.width);
        DrawStill(i, width, options.height, rgb);
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

struct FfmpegMeasure {
    bool ran = false;
    double seconds = 0;
    double fsyncSeconds = 0;
    double cpuSeconds = 0;
    long peakKib = 0;
    std::uintmax_t movieBytes = 0;
};

FfmpegMeasure MeasureFfmpeg(const Options& options, const std::string& codec) {
    FfmpegMeasure measure;
    const auto codecArgs = FfmpegCodecArgs(codec, options.quality);
    if (!codecArgs) {
        std::cout << "  ffmpeg:     no matching ffmpeg encoder for " << codec << std::endl;
        return measure;
    }
    const fs::path movie = options.outputDir / ("ffmpeg-" + codec + ".avi");
    // The scale filter gives the odd stills the movie size, as our run stretches them.
    std::vector<std::string> args{
        "ffmpeg",
        "-nostdin",
        "-hide_banner",
        "-loglevel",
        "error",
        "-y",
        "-framerate",
        std::to_string(kMovieFps),
        "-pattern_type",
        "glob",
        "-i",
        (options.stillDir / "*.jpg").string(),
        "-vf",
        "scale=" + std::to_string(options.width) + ":" + std::to_string(options.height)};
    args.insert(args.end(), codecArgs->begin(), codecArgs->end());
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

int MeasureOneCodec(const Options& options) {
    const std::string codec = options.codecs.front();
    const fs::path movie = options.outputDir / ("movie-" + codec + ".avi");

    SetupChangedFlag changed;
    MovieGen gen(changed);
    gen.SetStillDirectory(options.stillDir.string());
    gen.SetImageFilter("*.jpg");
    gen.SetTimeStampOption(1);  // time stamps from the YYYYMMDDHHMMSS names
    gen.SetOutputAVIPath(movie.string());
    gen.SetCompressHandler(FourccOf(UpperCase(codec)));
    gen.SetCompressQuality(options.quality);
    gen.SetMovieFPS(kMovieFps);
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
    std::cout << "Codec " << codec << ", " << options.frames << " frames of "
              << gen.RunState().movieWidth << "x" << gen.RunState().movieHeight << ": "
              << OutcomeText(outcome) << std::endl;
    std::cout << "  chronoreel: " << Fixed(seconds, 2) << " s, " << Fixed(fps, 1)
              << " frames/s, CPU " << Fixed(cpuSeconds, 2) << " s ("
              << Fixed(cpuSeconds * 1000 / options.frames, 2) << " ms/frame), movie "
              << Fixed(Mib(static_cast<double>(movieBytes)), 1) << " MiB" << std::endl;
    std::cout << "  memory:     RSS before the run " << Fixed(beforeKib / 1024.0, 1)
              << " MiB, peak (ru_maxrss) " << Fixed(peakKib / 1024.0, 1)
              << " MiB, peak minus before " << Fixed((peakKib - beforeKib) / 1024.0, 1) << " MiB"
              << std::endl;

    FfmpegMeasure ffmpeg;
    if (options.ffmpeg && OnPath("ffmpeg")) {
        ffmpeg = MeasureFfmpeg(options, codec);
        if (ffmpeg.ran) {
            std::cout << "  ffmpeg:     " << Fixed(ffmpeg.seconds, 2) << " s, "
                      << Fixed(options.frames / ffmpeg.seconds, 1) << " frames/s ("
                      << Fixed(options.frames / (ffmpeg.seconds + ffmpeg.fsyncSeconds), 1)
                      << " with an fsync of its movie, as our writer does), CPU "
                      << Fixed(ffmpeg.cpuSeconds, 2) << " s ("
                      << Fixed(ffmpeg.cpuSeconds * 1000 / options.frames, 2) << " ms/frame), movie "
                      << Fixed(Mib(static_cast<double>(ffmpeg.movieBytes)), 1) << " MiB, peak "
                      << Fixed(ffmpeg.peakKib / 1024.0, 1) << " MiB" << std::endl;
            std::cout << "  chronoreel / ffmpeg speed: "
                      << Fixed(fps / (options.frames / ffmpeg.seconds), 2) << std::endl;
        }
    } else if (options.ffmpeg) {
        std::cout << "  ffmpeg:     not on PATH, no comparison" << std::endl;
    }

    std::cout << "RESULT codec=" << codec << " frames=" << options.frames
              << " width=" << options.width << " height=" << options.height
              << " outcome=" << (outcome == RunOutcome::kMovieWritten ? "ok" : "failed")
              << " seconds=" << Fixed(seconds, 3) << " fps=" << Fixed(fps, 1)
              << " cpu_ms_per_frame=" << Fixed(cpuSeconds * 1000 / options.frames, 2)
              << " movie_mib=" << Fixed(Mib(static_cast<double>(movieBytes)), 1)
              << " rss_before_mib=" << Fixed(beforeKib / 1024.0, 1)
              << " peak_mib=" << Fixed(peakKib / 1024.0, 1)
              << " run_mib=" << Fixed((peakKib - beforeKib) / 1024.0, 1);
    if (ffmpeg.ran) {
        std::cout << " ffmpeg_fps=" << Fixed(options.frames / ffmpeg.seconds, 1)
                  << " ffmpeg_fsync_fps="
                  << Fixed(options.frames / (ffmpeg.seconds + ffmpeg.fsyncSeconds), 1)
                  << " ffmpeg_cpu_ms_per_frame="
                  << Fixed(ffmpeg.cpuSeconds * 1000 / options.frames, 2)
                  << " ffmpeg_peak_mib=" << Fixed(ffmpeg.peakKib / 1024.0, 1);
    }
    std::cout << std::endl;
    return outcome == RunOutcome::kMovieWritten ? 0 : 1;
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

int MeasureInFreshProcess(const Options& options, const std::string& codec,
                          const fs::path& stillDir, const fs::path& outputDir) {
    std::vector<std::string> args{"/proc/self/exe", "--measure",
                                  "--codec",        codec,
                                  "--frames",       std::to_string(options.frames),
                                  "--width",        std::to_string(options.width),
                                  "--height",       std::to_string(options.height),
                                  "--quality",      std::to_string(options.quality),
                                  "--stills",       stillDir.string(),
                                  "--output-dir",   outputDir.string()};
    if (!options.ffmpeg) {
        args.push_back("--no-ffmpeg");
    }
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
    for (const std::string& codec : options.codecs) {
        failures += MeasureInFreshProcess(options, codec, stillDir, work.Path());
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace chronoreel

int main(int argc, char** argv) {
    const chronoreel::Options options = chronoreel::ParseOptions(argc, argv);
    try {
        return options.measure ? chronoreel::MeasureOneCodec(options)
                               : chronoreel::RunBenchmark(options);
    } catch (const std::exception& error) {
        std::cerr << "movie_benchmark: " << error.what() << std::endl;
        return 1;
    }
}
