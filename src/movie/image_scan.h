#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"

namespace chronoreel {

// Where an image's time stamp comes from (the setup's TimeStampOption).
enum class TimeStampSource : std::int32_t { kLastModified = 0, kFileName = 1 };

struct ScanSettings {
    std::string stillDirectory;
    std::string imageFilter;
    TimeStampSource timeStampSource = TimeStampSource::kLastModified;
};

// The images a scan took, full paths and time stamps in parallel, sorted by time once the scan
// has finished. Empty when nothing was taken.
struct ImageList {
    std::vector<std::string> paths;
    std::vector<DateTime> stamps;

    std::size_t size() const { return paths.size(); }
    bool empty() const { return paths.empty(); }
};

// What the scan asks of the run while it works: whether to stop, where to report each image it
// took ("Found: name"), and when the listing has ended and sorting begins.
struct ScanProgress {
    std::function<bool()> cancelled;
    std::function<void(std::string_view name)> found;
    std::function<void()> sorting;
};

// The directory prefix: the still directory with a "/" appended unless it is empty or already
// ends in one.
std::string DirectoryPrefix(std::string_view stillDirectory);

// The time stamp a date-and-time file name carries, or nullopt when the name fits none of the
// name forms or does not convert (such an image is left out).
std::optional<DateTime> StampFromName(std::string_view name);

// Lists the still directory with the filter (names in ascending byte order, normal files only,
// hidden names excluded), stamps every JPEG and sorts the list by time.
ImageList GetFileSpecs(const ScanSettings& settings, const ScanProgress& progress);

// Sedgewick's gaps: fills the 29-entry table and returns the index of the largest gap to use
// for count elements.
inline constexpr int kGapTableSize = 29;
int ShellSeq(std::int32_t (&gaps)[kGapTableSize], std::int32_t count);

// Sorts both lists together, ascending by stamp, exactly in the shell-sort order (equal stamps
// end in the order this procedure gives them). Stops early when cancelled.
void ShellSort(ImageList& images, const std::function<bool()>& cancelled);

}  // namespace chronoreel
