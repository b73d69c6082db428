#include "movie/image_scan.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>

#include "base/app_error.h"
#include "base/error_report.h"
#include "base/text.h"

namespace chronoreel {
namespace {

// The names the listing took, kept in one buffer rather than one allocation per name.
class ListedNames {
  public:
    struct Entry {
        std::size_t offset;
        std::size_t length;
        std::time_t modifiedSeconds;  // 0 unless the listing asked for the file's status
    };

    void Add(std::string_view name, std::time_t modifiedSeconds) {
        entries_.push_back({text_.size(), name.size(), modifiedSeconds});
        text_ += name;
    }
    std::string_view Name(const Entry& entry) const {
        return std::string_view(text_).substr(entry.offset, entry.length);
    }
    // Ascending byte order of the names.
    void Sort() {
        std::sort(entries_.begin(), entries_.end(),
                  [this](const Entry& a, const Entry& b) { return Name(a) < Name(b); });
    }
    const std::vector<Entry>& Entries() const { return entries_; }

  private:
    std::string text_;
    std::vector<Entry> entries_;
};

// Whether the listing asks for each file's status: always when the stamps come from the
// modification times, otherwise only where the directory entry does not tell a regular file.
enum class StatusNeed { kOnlyWhenUnknown, kAlways };

// The names in the directory that match the filter, in ascending byte order. Only regular files
// (a link to one counts) and no hidden names. A folder that cannot be read lists nothing.
ListedNames ListMatchingNames(const std::string& prefix, const std::string& filter,
                              StatusNeed need) {
    ListedNames names;
    const std::string folder = prefix.empty() ? std::string(".") : prefix;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir) {
        return names;
    }
    const int folderDescriptor = dirfd(dir.get());
    while (const dirent* entry = readdir(dir.get())) {
        const char* name = entry->d_name;
        if (name[0] == '\0' || name[0] == '.') {
            continue;
        }
        // Camera software writes ".JPG" as often as ".jpg": the filter ignores letter case.
        if (fnmatch(filter.c_str(), name, FNM_CASEFOLD | FNM_PERIOD) != 0) {
            continue;
        }
        std::time_t modifiedSeconds = 0;
        // Most file systems tell a regular file in the entry itself, which spares a status call
        // per image; links and entries of unknown type are asked.
        const bool typeNeedsStatus = entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK;
        if (need == StatusNeed::kAlways || typeNeedsStatus) {
            struct stat info {};
            if (fstatat(folderDescriptor, name, &info, 0) != 0 || !S_ISREG(info.st_mode)) {
                continue;
            }
            modifiedSeconds = info.st_mtim.tv_sec;
        } else if (entry->d_type != DT_REG) {
            continue;
        }
        names.Add(name, modifiedSeconds);
    }
    names.Sort();
    return names;
}

// The position of the first ".jpg" in the name, in any letter case, or npos.
std::size_t FindJpgExtension(std::string_view name) {
    for (std::size_t at = 0; at + 4 <= name.size(); ++at) {
        if (name[at] == '.' && ToLowerAscii(name[at + 1]) == 'j' &&
            ToLowerAscii(name[at + 2]) == 'p' && ToLowerAscii(name[at + 3]) == 'g') {
            return at;
        }
    }
    return std::string_view::npos;
}

// Whole seconds, as the file's modification date is shown and compared everywhere else.
DateTime LastModified(std::time_t seconds) {
    return FromSystemTime(std::chrono::system_clock::from_time_t(seconds));
}

// The text "YYYY-MM-DD HH:MM[:SS]" from fixed positions of a name, built in place: no heap
// allocation per image.
class StampText {
  public:
    // yearPrefix is "" for a four-digit year and "20" for a two-digit one.
    StampText(std::string_view name, std::string_view yearPrefix, std::size_t yearLength,
              bool withSeconds)
        : name_(name) {
        Append(yearPrefix);
        Take(yearLength);
        for (const std::string_view separator : {"-", "-", " ", ":"}) {
            Append(separator);
            Take(2);
        }
        if (withSeconds) {
            Append(":");
            Take(2);
        }
    }
    std::string_view View() const { return {text_, length_}; }

  private:
    void Append(std::string_view piece) {
        std::copy(piece.begin(), piece.end(), text_ + length_);
        length_ += piece.size();
    }
    void Take(std::size_t count) {
        Append(name_.substr(at_, count));
        at_ += count;
    }

    std::string_view name_;
    char text_[32] = {};  // at most 2 + 4 + 5 * 3 characters
    std::size_t length_ = 0;
    std::size_t at_ = 0;
};

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
    const std::size_t found = FindJpgExtension(name);
    if (found == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t p = found + 1;  // 1-based position of ".jpg"
    const bool fourDigitYear = name.starts_with("19") || name.starts_with("20");

    std::optional<StampText> text;
    double addition = 0.0;
    if (fourDigitYear) {
        if (p == 13) {
            text.emplace(name, "", 4, false);
        } else if (p >= 15) {
            text.emplace(name, "", 4, true);
            if (p == 16 || p == 17) {
                addition = SubsecondAddition(name.substr(14, p - 15));
            }
        }
    } else {
        if (p == 11) {
            text.emplace(name, "20", 2, false);
        } else if (p >= 13) {
            text.emplace(name, "20", 2, true);
            if (p == 14 || p == 15) {
                addition = SubsecondAddition(name.substr(12, p - 13));
            }
        }
    }
    if (!text) {
        return std::nullopt;  // fits none of the name forms
    }
    const std::optional<DateTime> stamp = ParseDateTime(text->View());
    if (!stamp) {
        return std::nullopt;
    }
    return *stamp + addition;
}

ImageList GetFileSpecs(const ScanSettings& settings, const ScanProgress& progress) {
    ImageList images;

    const std::string prefix = DirectoryPrefix(settings.stillDirectory);
    const bool stampsFromNames = settings.timeStampSource == TimeStampSource::kFileName;
    const ListedNames names =
        ListMatchingNames(prefix, settings.imageFilter,
                          stampsFromNames ? StatusNeed::kOnlyWhenUnknown : StatusNeed::kAlways);
    // At most every listed name is taken: one allocation per list.
    images.paths.reserve(names.Entries().size());
    images.stamps.reserve(names.Entries().size());
    for (const ListedNames::Entry& listed : names.Entries()) {
        if (progress.cancelled && progress.cancelled()) {
            break;
        }
        const std::string_view name = names.Name(listed);
        // Only JPEG images are taken; any other name is passed over.
        if (FindJpgExtension(name) == std::string_view::npos) {
            continue;
        }
        const std::optional<DateTime> stamp =
            stampsFromNames ? StampFromName(name) : LastModified(listed.modifiedSeconds);
        if (!stamp) {
            continue;
        }
        std::string path;
        path.reserve(prefix.size() + name.size());
        path.append(prefix).append(name);
        images.paths.push_back(std::move(path));
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
    // Names that carry their time are listed in time order: a list in order is left as it is,
    // as every pass below would leave it.
    if (std::is_sorted(images.stamps.begin(), images.stamps.end())) {
        return;
    }
    auto isCancelled = [&] { return cancelled && cancelled(); };
    // The passes move small stamp-and-index pairs; the paths follow once at the end. The order
    // of equal stamps is the one these passes give, the same as moving the paths themselves.
    struct Entry {
        DateTime stamp;
        std::size_t from;
    };
    const auto n = static_cast<std::int64_t>(images.size());
    std::vector<Entry> entries(images.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i] = {images.stamps[i], i};
    }
    // Asking after every element would cost more than the pass itself.
    constexpr std::int64_t kCancelCheckEvery = 4096;
    std::int32_t gaps[kGapTableSize] = {};
    bool stopped = false;
    for (int s = ShellSeq(gaps, static_cast<std::int32_t>(n)); s >= 0 && !stopped; --s) {
        stopped = isCancelled();
        const std::int64_t h = gaps[s];
        for (std::int64_t i = h; i < n && !stopped; ++i) {
            const Entry e = entries[i];
            std::int64_t j = i - h;
            while (j >= 0 && entries[j].stamp > e.stamp) {
                entries[j + h] = entries[j];
                j -= h;
            }
            entries[j + h] = e;
            if ((i - h) % kCancelCheckEvery == kCancelCheckEvery - 1) {
                stopped = isCancelled();
            }
        }
    }
    // Each position takes the path that came from entries[i].from, one cycle of the
    // permutation at a time, so that every path is moved once and nothing is copied.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        images.stamps[i] = entries[i].stamp;
        if (entries[i].from == i) {
            continue;
        }
        std::string first = std::move(images.paths[i]);
        std::size_t at = i;
        while (entries[at].from != i) {
            const std::size_t next = entries[at].from;
            images.paths[at] = std::move(images.paths[next]);
            entries[at].from = at;
            at = next;
        }
        images.paths[at] = std::move(first);
        entries[at].from = at;
    }
}

}  // namespace chronoreel
