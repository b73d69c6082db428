#include "movie/image_scan.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "base/app_error.h"
#include "base/error_report.h"
#include "base/text.h"

namespace chronoreel {
namespace {

// The names in the directory that match the filter, in ascending byte order. Only regular files
// (a link to one counts) and no hidden names. A folder that cannot be read lists nothing.
std::vector<std::string> ListMatchingNames(const std::string& prefix, const std::string& filter) {
    std::vector<std::string> names;
    const std::string folder = prefix.empty() ? std::string(".") : prefix;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir) {
        return names;
    }
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') {
            continue;
        }
        // Camera software writes ".JPG" as often as ".jpg": the filter ignores letter case.
        if (fnmatch(filter.c_str(), name.c_str(), FNM_CASEFOLD | FNM_PERIOD) != 0) {
            continue;
        }
        struct stat info {};
        if (stat((folder + "/" + name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;
        }
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<DateTime> LastModified(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    // Whole seconds, as the file's modification date is shown and compared everywhere else.
    return FromSystemTime(std::chrono::system_clock::from_time_t(info.st_mtim.tv_sec));
}

// Builds "YYYY-MM-DD HH:MM[:SS]" from fixed positions of the name; yearPrefix is "" for a
// four-digit year and "20" for a two-digit one.
std::string StampText(std::string_view name, std::string_view yearPrefix, std::size_t yearLength,
                      bool withSeconds) {
    std::size_t at = 0;
    auto take = [&](std::size_t count) {
        const std::string_view piece = name.substr(at, count);
        at += count;
        return std::string(piece);
    };
    std::string text(yearPrefix);
    text += take(yearLength);
    for (const char separator : {'-', '-', ' ', ':'}) {
        text += separator;
        text += take(2);
    }
    if (withSeconds) {
        text += ':';
        text += take(2);
    }
    return text;
}

// Tenths or hundredths of a second written after the seconds, as a fraction of a day.
double SubsecondAddition(std::string_view digits) {
    if (digits.size() == 1 && IsAsciiDigit(digits[0])) {
        return (digits[0] - '0') / 864000.0;
    }
    if (digits.size() == 2 && IsAsciiDigit(digits[0]) && IsAsciiDigit(digits[1])) {
        return ((digits[0] - '0') * 10 + (digits[1] - '0')) / 8640000.0;
    }
    return 0.0;
}

}  // namespace

std::string DirectoryPrefix(std::string_view stillDirectory) {
    std::string prefix(stillDirectory);
    if (!prefix.empty() && prefix.back() != '/') {
        prefix += '/';
    }
    return prefix;
}

std::optional<DateTime> StampFromName(std::string_view name) {
    const std::string lower = ToLowerAscii(name);
    const std::size_t found = lower.find(".jpg");
    if (found == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t p = found + 1;  // 1-based position of ".jpg"
    const bool fourDigitYear = name.starts_with("19") || name.starts_with("20");

    std::string text;
    double addition = 0.0;
    if (fourDigitYear) {
        if (p == 13) {
            text = StampText(name, "", 4, false);
        } else if (p >= 15) {
            text = StampText(name, "", 4, true);
            if (p == 16 || p == 17) {
                addition = SubsecondAddition(name.substr(14, p - 15));
            }
        }
    } else {
        if (p == 11) {
            text = StampText(name, "20", 2, false);
        } else if (p >= 13) {
            text = StampText(name, "20", 2, true);
            if (p == 14 || p == 15) {
                addition = SubsecondAddition(name.substr(12, p - 13));
            }
        }
    }
    if (text.empty()) {
        return std::nullopt;  // fits none of the name forms
    }
    const std::optional<DateTime> stamp = ParseDateTime(text);
    if (!stamp) {
        return std::nullopt;
    }
    return *stamp + addition;
}

ImageList GetFileSpecs(const ScanSettings& settings, const ScanProgress& progress) {
    ImageList images;

    const std::string prefix = DirectoryPrefix(settings.stillDirectory);
    for (const std::string& name : ListMatchingNames(prefix, settings.imageFilter)) {
        if (progress.cancelled && progress.cancelled()) {
            break;
        }
        // Only JPEG images are taken; any other name is passed over.
        if (ToLowerAscii(name).find(".jpg") == std::string::npos) {
            continue;
        }
        const std::string path = prefix + name;
        const std::optional<DateTime> stamp = settings.timeStampSource == TimeStampSource::kFileName
                                                  ? StampFromName(name)
                                                  : LastModified(path);
        if (!stamp) {
            continue;
        }
        images.paths.push_back(path);
        images.stamps.push_back(*stamp);
        if (progress.found) {
            progress.found(name);
        }
    }
    if (progress.sorting) {
        progress.sorting();
    }
    if (!images.empty()) {
        ShellSort(images, progress.cancelled);
    }
    return images;
}

int ShellSeq(std::int32_t (&gaps)[kGapTableSize], std::int32_t count) {
    return Trap("MovieGen", "ShellSeq", [&] {
        std::int64_t p1 = 1;
        std::int64_t p2 = 1;
        std::int64_t p3 = 1;
        int s = -1;
        std::int64_t gap = 0;
        do {
            ++s;
            if (s >= kGapTableSize) {
                throw AppError(kErrSubscriptOutOfRange, "Subscript out of range");
            }
            if (s % 2 == 1) {
                gap = 8 * p1 - 6 * p2 + 1;
            } else {
                gap = 9 * p1 - 9 * p3 + 1;
                p2 *= 2;
                p3 *= 2;
            }
            p1 *= 2;
            if (gap > INT32_MAX) {
                throw AppError(kErrOverflow, "Overflow");
            }
            gaps[s] = static_cast<std::int32_t>(gap);
        } while (3 * gap < count);
        return s > 0 ? s - 1 : 0;
    });
}

void ShellSort(ImageList& images, const std::function<bool()>& cancelled) {
    auto isCancelled = [&] { return cancelled && cancelled(); };
    const auto n = static_cast<std::int64_t>(images.size());
    std::int32_t gaps[kGapTableSize] = {};
    for (int s = ShellSeq(gaps, static_cast<std::int32_t>(n)); s >= 0 && !isCancelled(); --s) {
        const std::int64_t h = gaps[s];
        for (std::int64_t i = h; i < n; ++i) {
            const DateTime t = images.stamps[i];
            std::string f = std::move(images.paths[i]);
            std::int64_t j = i - h;
            while (j >= 0 && images.stamps[j] > t) {
                images.stamps[j + h] = images.stamps[j];
                images.paths[j + h] = std::move(images.paths[j]);
                j -= h;
            }
            images.stamps[j + h] = t;
            images.paths[j + h] = std::move(f);
            if (isCancelled()) {
                break;
            }
        }
    }
}

}  // namespace chronoreel
