#include "movie/movie_gen.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>

#include "base/app_error.h"
#include "base/error_report.h"
#include "base/shared_routines.h"

namespace chronoreel {
namespace {

constexpr std::string_view kModule = "MovieGen";

// The latest time of day a window edge may name: 23:59:59.
constexpr DateTime kLastSecondOfDay = 86399.0 / 86400.0;
constexpr double kMaxSunOffsetHours = 24.0;

std::intptr_t AddressOf(const std::vector<std::uint8_t>& buffer) {
    return reinterpret_cast<std::intptr_t>(buffer.data());
}

void CheckIndex(const std::vector<std::uint8_t>& buffer, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= buffer.size()) {
        throw AppError(kErrSubscriptOutOfRange, "Subscript out of range");
    }
}

}  // namespace

MovieGen::MovieGen(SetupChangedFlag& setupChanged) : setupChanged_(setupChanged) {}

template <class T>
void MovieGen::StoreClamped(T& stored, T value, T low, T high) {
    // Compared before clamping: an out-of-range value always counts as a change.
    if (value != stored) {
        stored = value;
        Limit(stored, low, high);
        setupChanged_.Set();
    }
}

template <class T>
void MovieGen::StoreIfDifferent(T& stored, T value) {
    if (value != stored) {
        stored = value;
        setupChanged_.Set();
    }
}

void MovieGen::StoreText(std::string& stored, std::string_view value, const char* procedure) {
    Trap(kModule, procedure, [&] {
        if (value != stored) {
            stored.assign(value);
            setupChanged_.Set();
        }
    });
}

void MovieGen::StoreCompressField(std::int32_t& field, std::int32_t value) {
    field = value;
    setupChanged_.Set();
}

void MovieGen::SetStillDirectory(std::string_view value) {
    StoreText(stillDirectory_, value, "StillDirectory_Let");
}

void MovieGen::SetImageFilter(std::string_view value) {
    StoreText(imageFilter_, value, "ImageFilter_Let");
}

void MovieGen::SetDeleteOldImages(bool value) {
    StoreIfDifferent(deleteOldImages_, value);
}

void MovieGen::SetDeleteOldImagesHours(double value) {
    // Narrowing a double beyond the float range is undefined; saturate at the largest float,
    // which still means "never" and, unlike infinity, writes and reads back as a number.
    const double bounded =
        std::isnan(value) ? value : std::clamp(value, -double{FLT_MAX}, double{FLT_MAX});
    StoreIfDifferent(deleteOldImagesHours_, static_cast<float>(bounded));
}

void MovieGen::SetMovieDirection(std::int32_t value) {
    if (value == 1 || value == -1) {
        StoreIfDifferent(movieDirection_, value);
    }
}

void MovieGen::SetTimeOption(std::int32_t value) {
    StoreClamped(timeOption_, value, 0, 1);
}

void MovieGen::SetStartTimeOption(std::int32_t value) {
    StoreClamped(startTimeOption_, value, 0, 6);
}

void MovieGen::SetStartTimeRelative(double hours) {
    StoreIfDifferent(startTimeRelative_, hours);
}

void MovieGen::SetStartTimeToday(DateTime timeOfDay) {
    StoreClamped(startTimeToday_, timeOfDay, 0.0, kLastSecondOfDay);
}

void MovieGen::SetStartTimeYesterday(DateTime timeOfDay) {
    StoreClamped(startTimeYesterday_, timeOfDay, 0.0, kLastSecondOfDay);
}

void MovieGen::SetStartTimeAbsolute(DateTime value) {
    StoreIfDifferent(startTimeAbsolute_, value);
}

void MovieGen::SetStartTimeSunriseRelative(double hours) {
    StoreClamped(startTimeSunriseRelative_, hours, -kMaxSunOffsetHours, kMaxSunOffsetHours);
}

void MovieGen::SetStartTimeSunsetRelative(double hours) {
    StoreClamped(startTimeSunsetRelative_, hours, -kMaxSunOffsetHours, kMaxSunOffsetHours);
}

void MovieGen::SetStopTimeOption(std::int32_t value) {
    StoreClamped(stopTimeOption_, value, 0, 6);
}

void MovieGen::SetStopTimeRelative(double hours) {
    StoreIfDifferent(stopTimeRelative_, hours);
}

void MovieGen::SetStopTimeToday(DateTime timeOfDay) {
    StoreClamped(stopTimeToday_, timeOfDay, 0.0, kLastSecondOfDay);
}

void MovieGen::SetStopTimeYesterday(DateTime timeOfDay) {
    StoreClamped(stopTimeYesterday_, timeOfDay, 0.0, kLastSecondOfDay);
}

void MovieGen::SetStopTimeAbsolute(DateTime value) {
    StoreIfDifferent(stopTimeAbsolute_, value);
}

void MovieGen::SetStopTimeSunriseRelative(double hours) {
    StoreClamped(stopTimeSunriseRelative_, hours, -kMaxSunOffsetHours, kMaxSunOffsetHours);
}

void MovieGen::SetStopTimeSunsetRelative(double hours) {
    StoreClamped(stopTimeSunsetRelative_, hours, -kMaxSunOffsetHours, kMaxSunOffsetHours);
}

void MovieGen::SetImageIntervalOption(std::int32_t value) {
    StoreClamped(imageIntervalOption_, value, 0, 1);
}

void MovieGen::SetImagesPerHour(double value) {
    StoreClamped(imagesPerHour_, value, 1.0, 36000.0);
}

void MovieGen::SetDuplicateCount(std::int32_t value) {
    StoreClamped(duplicateCount_, value, 1, 100000);
}

void MovieGen::SetTimeStampOption(std::int32_t value) {
    StoreClamped(timeStampOption_, value, 0, 1);
}

void MovieGen::SetOutputAVIPath(std::string_view value) {
    StoreText(outputAviPath_, value, "OutputAVIPath_Let");
}

void MovieGen::SetMovieSizeOption(std::int32_t value) {
    StoreClamped(movieSizeOption_, value, 0, 1);
}

void MovieGen::SetMovieSizeWidth(std::int32_t pixels) {
    StoreClamped(movieSizeWidth_, pixels, 1, 1600);
}

void MovieGen::SetMovieSizeHeight(std::int32_t pixels) {
    StoreClamped(movieSizeHeight_, pixels, 1, 1200);
}

std::int32_t MovieGen::MovieFPS() const {
    // The default rounding mode rounds halves to the even neighbour.
    return static_cast<std::int32_t>(std::nearbyint(movieFps_));
}

void MovieGen::SetMovieFPS(std::int32_t framesPerSecond) {
    StoreClamped(movieFps_, static_cast<double>(framesPerSecond), 1.0, 60.0);
}

void MovieGen::SetPostGenerationShell(std::string_view value) {
    StoreText(postGenerationShell_, value, "PostGenerationShell_Let");
}

void MovieGen::SetCompressType(std::int32_t value) {
    StoreCompressField(options_.fccType, value);
}

void MovieGen::SetCompressFormat(std::int32_t bytes) {
    StoreCompressField(options_.cbFormat, bytes);
}

void MovieGen::SetCompressParms(std::int32_t bytes) {
    StoreCompressField(options_.cbParms, bytes);
}

void MovieGen::SetCompressBytesPerSecond(std::int32_t value) {
    StoreCompressField(options_.dwBytesPerSecond, value);
}

void MovieGen::SetCompressFlags(std::int32_t value) {
    StoreCompressField(options_.dwFlags, value);
}

void MovieGen::SetCompressInterleaveEvery(std::int32_t value) {
    StoreCompressField(options_.dwInterleaveEvery, value);
}

void MovieGen::SetCompressKeyFrameEvery(std::int32_t value) {
    StoreCompressField(options_.dwKeyFrameEvery, value);
}

void MovieGen::SetCompressQuality(std::int32_t value) {
    StoreCompressField(options_.dwQuality, value);
}

void MovieGen::SetCompressHandler(std::int32_t value) {
    StoreCompressField(options_.fccHandler, value);
}

void MovieGen::SetCompressFormatPointer(std::intptr_t address) {
    options_.lpFormat = address;
    setupChanged_.Set();
}

void MovieGen::SetCompressParmsPointer(std::intptr_t address) {
    options_.lpParms = address;
    setupChanged_.Set();
}

void MovieGen::ResizeBlock(std::vector<std::uint8_t>& buffer, std::int32_t& size,
                           std::int32_t bytes, const char* procedure) {
    Trap(kModule, procedure, [&] {
        if (bytes > size) {
            if (bytes > kMaxCompressorBlockBytes) {
                throw AppError(kErrOutOfMemory, "Out of memory");
            }
            buffer.resize(static_cast<std::size_t>(bytes));
        }
        size = bytes;
        setupChanged_.Set();
    });
}

void MovieGen::SetFormatSize(std::int32_t bytes) {
    ResizeBlock(formatBytes_, formatSize_, bytes, "FormatSize_Let");
}

void MovieGen::SetParmsSize(std::int32_t bytes) {
    ResizeBlock(parmsBytes_, parmsSize_, bytes, "ParmsSize_Let");
}

std::uint8_t MovieGen::FormatBytes(std::int32_t index) const {
    return Trap(kModule, "FormatBytes_Get", [&] {
        CheckIndex(formatBytes_, index);
        return formatBytes_[static_cast<std::size_t>(index)];
    });
}

void MovieGen::SetFormatBytes(std::int32_t index, std::uint8_t value) {
    Trap(kModule, "FormatBytes_Let", [&] {
        CheckIndex(formatBytes_, index);
        formatBytes_[static_cast<std::size_t>(index)] = value;
        setupChanged_.Set();
    });
}

std::uint8_t MovieGen::ParmsBytes(std::int32_t index) const {
    return Trap(kModule, "ParmsBytes_Get", [&] {
        CheckIndex(parmsBytes_, index);
        return parmsBytes_[static_cast<std::size_t>(index)];
    });
}

void MovieGen::SetParmsBytes(std::int32_t index, std::uint8_t value) {
    Trap(kModule, "ParmsBytes_Let", [&] {
        CheckIndex(parmsBytes_, index);
        parmsBytes_[static_cast<std::size_t>(index)] = value;
        setupChanged_.Set();
    });
}

std::intptr_t MovieGen::FormatPointer() const {
    return AddressOf(formatBytes_);
}

std::intptr_t MovieGen::ParmsPointer() const {
    return AddressOf(parmsBytes_);
}

void MovieGen::SetCancelMovie(bool cancel) {
    if (cancel) {
        cancel_.store(true);
    }
}

}  // namespace chronoreel
