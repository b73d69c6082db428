#include "movie/settings_listing.h"

#include <string_view>

#include "base/numbers.h"

namespace chronoreel {

std::vector<std::string> SettingsListing(const MovieGen& m) {
    std::vector<std::string> lines;
    const auto add = [&lines](std::string_view name, const std::string& value) {
        lines.push_back(std::string(name) + "=" + value);
    };
    add("StillDirectory", m.StillDirectory());
    add("ImageFilter", m.ImageFilter());
    add("DeleteOldImages", CStrNI(m.DeleteOldImages()));
    add("DeleteOldImagesHours", CStrNI(m.DeleteOldImagesHours()));
    add("MovieDirection", CStrNI(m.MovieDirection()));
    add("TimeOption", CStrNI(m.TimeOption()));
    add("StartTimeOption", CStrNI(m.StartTimeOption()));
    add("StartTimeRelative", CStrNI(m.StartTimeRelative()));
    add("StartTimeToday", CStrNI(m.StartTimeToday()));
    add("StartTimeYesterday", CStrNI(m.StartTimeYesterday()));
    add("StartTimeAbsolute", CStrNI(m.StartTimeAbsolute()));
    add("StartTimeSunriseRelative", CStrNI(m.StartTimeSunriseRelative()));
    add("StartTimeSunsetRelative", CStrNI(m.StartTimeSunsetRelative()));
    add("StopTimeOption", CStrNI(m.StopTimeOption()));
    add("StopTimeRelative", CStrNI(m.StopTimeRelative()));
    add("StopTimeToday", CStrNI(m.StopTimeToday()));
    add("StopTimeYesterday", CStrNI(m.StopTimeYesterday()));
    add("StopTimeAbsolute", CStrNI(m.StopTimeAbsolute()));
    add("StopTimeSunriseRelative", CStrNI(m.StopTimeSunriseRelative()));
    add("StopTimeSunsetRelative", CStrNI(m.StopTimeSunsetRelative()));
    add("ImageIntervalOption", CStrNI(m.ImageIntervalOption()));
    add("ImagesPerHour", CStrNI(m.ImagesPerHour()));
    add("DuplicateCount", CStrNI(m.DuplicateCount()));
    add("TimeStampOption", CStrNI(m.TimeStampOption()));
    add("OutputAVIPath", m.OutputAVIPath());
    add("MovieSizeOption", CStrNI(m.MovieSizeOption()));
    add("MovieSizeWidth", CStrNI(m.MovieSizeWidth()));
    add("MovieSizeHeight", CStrNI(m.MovieSizeHeight()));
    add("MovieFPS", CStrNI(m.MovieFPS()));
    add("PostGenerationShell", m.PostGenerationShell());
    add("CompressType", CStrNI(m.CompressType()));
    add("CompressFormat", CStrNI(m.CompressFormat()));
    add("CompressParms", CStrNI(m.CompressParms()));
    add("CompressBytesPerSecond", CStrNI(m.CompressBytesPerSecond()));
    add("CompressFlags", CStrNI(m.CompressFlags()));
    add("CompressInterleaveEvery", CStrNI(m.CompressInterleaveEvery()));
    add("CompressKeyFrameEvery", CStrNI(m.CompressKeyFrameEvery()));
    add("CompressQuality", CStrNI(m.CompressQuality()));
    add("CompressHandler", CStrNI(m.CompressHandler()));
    add("FormatSize", CStrNI(m.FormatSize()));
    add("ParmsSize", CStrNI(m.ParmsSize()));
    return lines;
}

}  // namespace chronoreel
