#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"
#include "movie/setup_changed_flag.h"
#include "video/video_settings.h"

namespace chronoreel {

// dwFlags bit: the options record holds valid settings.
inline constexpr std::int32_t kAviCompressValid = kCompressValid;
// Largest compressor byte block accepted. Real compressor formats and states take a few hundred
// bytes; a setup file asking for more is damaged, and honouring it would fill memory and the
// file with millions of hex lines.
inline constexpr std::int32_t kMaxCompressorBlockBytes = 1 << 20;

// The video compression options record, field for field as the compression options flow and
// the video writer use it. The two address fields hold the addresses of MovieGen's own format
// and parameter buffers; an address does not fit 32 bits on a 64-bit system, so they are
// std::intptr_t while every other field is the record's 32-bit integer.
struct AviCompressOptions {
    std::int32_t fccType = 0;
    std::int32_t fccHandler = kFourccDib;
    std::int32_t dwKeyFrameEvery = 0;
    std::int32_t dwQuality = 50;
    std::int32_t dwBytesPerSecond = 100000;
    std::int32_t dwFlags = kAviCompressValid;
    std::intptr_t lpFormat = 0;
    std::int32_t cbFormat = 0;
    std::intptr_t lpParms = 0;
    std::int32_t cbParms = 0;
    std::int32_t dwInterleaveEvery = 0;
};

// State of one generation run, shared by its steps and never saved. Empty between runs until a
// run fills it.
struct MovieRunState {
    DateTime windowStart = 0;
    DateTime windowStop = 0;
    // Full paths and their time stamps, parallel and sorted by time. Absent when no image was
    // found; otherwise of equal length.
    std::optional<std::vector<std::string>> imageList;
    std::optional<std::vector<DateTime>> timeStampList;
    std::int32_t movieWidth = 0;  // pixels, 0 while not yet known
    std::int32_t movieHeight = 0;
};

// The movie maker's one engine object: every setting of a movie setup as a named property (the
// name is also its key in the setup file), the compression options record with its two byte
// buffers, and the state of the current generation run.
//
// Setters store a value only when it differs from the stored one, clamp it into its range and
// then set the program's setup-changed flag. The comparison uses the value as given, so giving a
// value above the range while the maximum is stored still sets the flag. The compression fields,
// the block sizes and the block bytes set the flag on every call.
//
// Errors (an index outside a byte block, a block too large to allocate) go to the error report
// under module "MovieGen" and the procedure "<Property>_Get" or "<Property>_Let".
class MovieGen {
  public:
    explicit MovieGen(SetupChangedFlag& setupChanged);
    MovieGen(const MovieGen&) = delete;
    MovieGen& operator=(const MovieGen&) = delete;

    // Setup properties, in declaration order.
    const std::string& StillDirectory() const { return stillDirectory_; }
    void SetStillDirectory(std::string_view value);
    const std::string& ImageFilter() const { return imageFilter_; }
    void SetImageFilter(std::string_view value);
    bool DeleteOldImages() const { return deleteOldImages_; }
    void SetDeleteOldImages(bool value);
    // Held in single precision; the getter widens it (0.1 reads back as 0.100000001490116).
    double DeleteOldImagesHours() const { return deleteOldImagesHours_; }
    void SetDeleteOldImagesHours(double value);
    // 1: frames in time order; -1: reverse order. Other values are ignored.
    std::int32_t MovieDirection() const { return movieDirection_; }
    void SetMovieDirection(std::int32_t value);
    std::int32_t TimeOption() const { return timeOption_; }
    void SetTimeOption(std::int32_t value);
    std::int32_t StartTimeOption() const { return startTimeOption_; }
    void SetStartTimeOption(std::int32_t value);
    double StartTimeRelative() const { return startTimeRelative_; }
    void SetStartTimeRelative(double hours);
    DateTime StartTimeToday() const { return startTimeToday_; }
    void SetStartTimeToday(DateTime timeOfDay);
    DateTime StartTimeYesterday() const { return startTimeYesterday_; }
    void SetStartTimeYesterday(DateTime timeOfDay);
    DateTime StartTimeAbsolute() const { return startTimeAbsolute_; }
    void SetStartTimeAbsolute(DateTime value);
    double StartTimeSunriseRelative() const { return startTimeSunriseRelative_; }
    void SetStartTimeSunriseRelative(double hours);
    double StartTimeSunsetRelative() const { return startTimeSunsetRelative_; }
    void SetStartTimeSunsetRelative(double hours);
    std::int32_t StopTimeOption() const { return stopTimeOption_; }
    void SetStopTimeOption(std::int32_t value);
    double StopTimeRelative() const { return stopTimeRelative_; }
    void SetStopTimeRelative(double hours);
    DateTime StopTimeToday() const { return stopTimeToday_; }
    void SetStopTimeToday(DateTime timeOfDay);
    DateTime StopTimeYesterday() const { return stopTimeYesterday_; }
    void SetStopTimeYesterday(DateTime timeOfDay);
    DateTime StopTimeAbsolute() const { return stopTimeAbsolute_; }
    void SetStopTimeAbsolute(DateTime value);
    double StopTimeSunriseRelative() const { return stopTimeSunriseRelative_; }
    void SetStopTimeSunriseRelative(double hours);
    double StopTimeSunsetRelative() const { return stopTimeSunsetRelative_; }
    void SetStopTimeSunsetRelative(double hours);
    std::int32_t ImageIntervalOption() const { return imageIntervalOption_; }
    void SetImageIntervalOption(std::int32_t value);
    double ImagesPerHour() const { return imagesPerHour_; }
    void SetImagesPerHour(double value);
    std::int32_t DuplicateCount() const { return duplicateCount_; }
    void SetDuplicateCount(std::int32_t value);
    std::int32_t TimeStampOption() const { return timeStampOption_; }
    void SetTimeStampOption(std::int32_t value);
    const std::string& OutputAVIPath() const { return outputAviPath_; }
    void SetOutputAVIPath(std::string_view value);
    std::int32_t MovieSizeOption() const { return movieSizeOption_; }
    void SetMovieSizeOption(std::int32_t value);
    std::int32_t MovieSizeWidth() const { return movieSizeWidth_; }
    void SetMovieSizeWidth(std::int32_t pixels);
    std::int32_t MovieSizeHeight() const { return movieSizeHeight_; }
    void SetMovieSizeHeight(std::int32_t pixels);
    // Held as a double; the getter rounds it, halves to the even neighbour.
    std::int32_t MovieFPS() const;
    void SetMovieFPS(std::int32_t framesPerSecond);
    const std::string& PostGenerationShell() const { return postGenerationShell_; }
    void SetPostGenerationShell(std::string_view value);

    // Compression options record fields; every setter stores and sets the flag.
    std::int32_t CompressType() const { return options_.fccType; }
    void SetCompressType(std::int32_t value);
    std::int32_t CompressFormat() const { return options_.cbFormat; }
    void SetCompressFormat(std::int32_t bytes);
    std::int32_t CompressParms() const { return options_.cbParms; }
    void SetCompressParms(std::int32_t bytes);
    std::int32_t CompressBytesPerSecond() const { return options_.dwBytesPerSecond; }
    void SetCompressBytesPerSecond(std::int32_t value);
    std::int32_t CompressFlags() const { return options_.dwFlags; }
    void SetCompressFlags(std::int32_t value);
    std::int32_t CompressInterleaveEvery() const { return options_.dwInterleaveEvery; }
    void SetCompressInterleaveEvery(std::int32_t value);
    std::int32_t CompressKeyFrameEvery() const { return options_.dwKeyFrameEvery; }
    void SetCompressKeyFrameEvery(std::int32_t value);
    std::int32_t CompressQuality() const { return options_.dwQuality; }
    void SetCompressQuality(std::int32_t value);
    std::int32_t CompressHandler() const { return options_.fccHandler; }
    void SetCompressHandler(std::int32_t value);
    std::intptr_t CompressFormatPointer() const { return options_.lpFormat; }
    void SetCompressFormatPointer(std::intptr_t address);
    std::intptr_t CompressParmsPointer() const { return options_.lpParms; }
    void SetCompressParmsPointer(std::intptr_t address);
    // The record itself, for the compression options dialog and the video writer.
    AviCompressOptions* CompressOptionsPointer() { return &options_; }
    const AviCompressOptions* CompressOptionsPointer() const { return &options_; }

    // Size values of the format and parameter blocks. A larger value than the current one
    // resizes the buffer to exactly that many bytes (keeping the bytes that fit); a smaller or
    // equal one leaves the buffer as it is: 40, 20, 30 leaves buffers of 40, 40 and 30 bytes.
    std::int32_t FormatSize() const { return formatSize_; }
    void SetFormatSize(std::int32_t bytes);
    std::int32_t ParmsSize() const { return parmsSize_; }
    void SetParmsSize(std::int32_t bytes);
    // One byte of a block; an index outside the buffer goes to the error report.
    std::uint8_t FormatBytes(std::int32_t index) const;
    void SetFormatBytes(std::int32_t index, std::uint8_t value);
    std::uint8_t ParmsBytes(std::int32_t index) const;
    void SetParmsBytes(std::int32_t index, std::uint8_t value);
    // Address of byte 0 of a buffer, valid until the buffer is next resized; stored into
    // CompressFormatPointer / CompressParmsPointer after a load.
    std::intptr_t FormatPointer() const;
    std::intptr_t ParmsPointer() const;
    // The whole buffers (at least FormatSize / ParmsSize bytes, at least one byte).
    const std::vector<std::uint8_t>& FormatBuffer() const { return formatBytes_; }
    const std::vector<std::uint8_t>& ParmsBuffer() const { return parmsBytes_; }

    // Asks the current run to stop at its next checkpoint. false is ignored: only the start of a
    // run clears the request. Safe to call from a signal handler.
    void SetCancelMovie(bool cancel);
    bool CancelRequested() const { return cancel_.load(); }
    // Called by the run when it starts.
    void ClearCancelMovie() { cancel_.store(false); }
    // The request itself, for a signal handler that may only store into a lock-free atomic.
    std::atomic<bool>& CancelFlag() { return cancel_; }

    MovieRunState& RunState() { return run_; }
    const MovieRunState& RunState() const { return run_; }

  private:
    template <class T>
    void StoreClamped(T& stored, T value, T low, T high);
    template <class T>
    void StoreIfDifferent(T& stored, T value);
    void StoreText(std::string& stored, std::string_view value, const char* procedure);
    void StoreCompressField(std::int32_t& field, std::int32_t value);
    void ResizeBlock(std::vector<std::uint8_t>& buffer, std::int32_t& size, std::int32_t bytes,
                     const char* procedure);

    SetupChangedFlag& setupChanged_;

    std::string stillDirectory_ = "images/";
    std::string imageFilter_ = "*.jpg";
    bool deleteOldImages_ = false;
    float deleteOldImagesHours_ = 168.0f;
    std::int32_t movieDirection_ = 1;
    std::int32_t timeOption_ = 0;
    std::int32_t startTimeOption_ = 0;
    double startTimeRelative_ = 0;
    DateTime startTimeToday_ = 0;
    DateTime startTimeYesterday_ = 0;
    DateTime startTimeAbsolute_ = 0;
    double startTimeSunriseRelative_ = 0;
    double startTimeSunsetRelative_ = 0;
    std::int32_t stopTimeOption_ = 0;
    double stopTimeRelative_ = 0;
    DateTime stopTimeToday_ = 0;
    DateTime stopTimeYesterday_ = 0;
    DateTime stopTimeAbsolute_ = 0;
    double stopTimeSunriseRelative_ = 0;
    double stopTimeSunsetRelative_ = 0;
    std::int32_t imageIntervalOption_ = 0;
    double imagesPerHour_ = 60;
    std::int32_t duplicateCount_ = 2;
    std::int32_t timeStampOption_ = 0;
    std::string outputAviPath_ = "mymovie.avi";
    std::int32_t movieSizeOption_ = 0;
    std::int32_t movieSizeWidth_ = 320;
    std::int32_t movieSizeHeight_ = 240;
    double movieFps_ = 24;
    std::string postGenerationShell_;

    AviCompressOptions options_;
    std::int32_t formatSize_ = 0;
    std::int32_t parmsSize_ = 0;
    std::vector<std::uint8_t> formatBytes_ = std::vector<std::uint8_t>(1, 0);
    std::vector<std::uint8_t> parmsBytes_ = std::vector<std::uint8_t>(1, 0);

    std::atomic<bool> cancel_{false};
    MovieRunState run_;
};

}  // namespace chronoreel
