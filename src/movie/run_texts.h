#pragma once

#include <string_view>

namespace chronoreel {

// Status texts of a generation run, in the order in which a run can show them. The texts of the
// post-generation actions are in movie/post_generation.h.
inline constexpr std::string_view kStatusReadingDirectory = "Status: Reading Source Directory";
inline constexpr std::string_view kStatusSorting = "Status: Sorting Files By Date";
inline constexpr std::string_view kStatusNoFilesFound = "Status: No Files Found";
inline constexpr std::string_view kStatusDetermining = "Status: Determining Which Files To Use";
inline constexpr std::string_view kStatusNoFilesMetCriteria =
    "Status: No Files Met Timing Criteria";
inline constexpr std::string_view kStatusOpeningAvi = "Status: Opening AVI";
inline constexpr std::string_view kStatusAddingFrames = "Status: Adding Frames to AVI";
inline constexpr std::string_view kStatusCancelled = "Status: Cancelled by User";

inline constexpr std::string_view kAviOpenErrorText = "There was an error writing the AVI file.";
inline constexpr std::string_view kApplicationTitle = "Chronoreel";

}  // namespace chronoreel
