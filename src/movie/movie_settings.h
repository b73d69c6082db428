#pragma once

#include <cstdint>
#include <string>

#include "base/date_time.h"
#include "movie/setting_rules.h"
#include "video/video_settings.h"

namespace chronoreel {

// The latest time of day a window edge may name: 23:59:59.
inline constexpr DateTime kLastSecondOfDay = 86399.0 / 86400.0;
inline constexpr double kMaxSunOffsetHours = 24.0;
// dwFlags bit: the options record holds valid settings.
inline constexpr std::int32_t kAviCompressValid = kCompressValid;

// Every setting of a movie setup, declared once, in the order in which the properties are
// declared (the dry run lists them in this order). MovieGen's stored values, getters and
// setters, the setup file's keys and the dry-run listing are all made from this table; adding
// a setting is one line here (and its control in the main window).
//
// Columns:
//   Name      the property: getter Name(), setter SetName(), the dry run's "Name=value"
//   Kind      how the value is held and handed out (setting_rules.h): Text, Bool, Int, Real,
//             Time, Hours32 (held in single precision), Fps (held as a real, handed out
//             rounded half to even), BlockSize (a compressor byte block's size)
//   Initial   the value of a new MovieGen
//   Rule      what the setter does with a value (setting_rules.h): AnyValue(), ClampTo(lo, hi)
//             (compared before clamping, so an out-of-range value always counts as a change),
//             OnlyValues(a, b) (others are ignored), SinglePrecision(), EveryCall() (stored and
//             flagged on every call, as the compression record is), GrowsBlock(buffer)
//   Section   the setup file's section: General, Compress, or NotSaved
//   Key       the setup file's key
//   Default   the text taken for a missing key (and written back for it)
//   Reading   how the key's text becomes a value: Text, Bool, Long (out of range gives 0),
//             Rounded (a real rounded half to even; out of range is an error), Real
//   Order     the key's place in the setup file, which keeps the order files have always had
// clang-format off
#define CHRONOREEL_MOVIE_SETTINGS(X)                                                            \
    X(StillDirectory, Text, "images/", AnyValue(), General, "StillDirectory", "images", Text, 22) \
    X(ImageFilter, Text, "*.jpg", AnyValue(), General, "ImageFilter", "*.jpg", Text, 3)          \
    X(DeleteOldImages, Bool, false, AnyValue(), General, "DeleteOldImages", "False", Bool, 1)    \
    X(DeleteOldImagesHours, Hours32, 168.0f, SinglePrecision(), General, "DeleteOldImagesHours", \
      "168", Real, 2)                                                                            \
    /* 1: frames in time order; -1: reverse order. */                                            \
    X(MovieDirection, Int, 1, OnlyValues(1, -1), General, "Direction", "1", Long, 7)              \
    /* 0: every image; 1: only those inside the start-to-stop window. */                         \
    X(TimeOption, Int, 0, ClampTo(0, 1), General, "TimeOption", "0", Long, 14)                   \
    X(StartTimeOption, Int, 0, ClampTo(0, 6), General, "StartTimeOption", "1", Long, 16)         \
    X(StartTimeRelative, Real, 0.0, AnyValue(), General, "StartTimeRelative", "0", Real, 17)     \
    X(StartTimeToday, Time, 0.0, ClampTo(0.0, kLastSecondOfDay), General, "StartTimeToday", "0", \
      Real, 18)                                                                                  \
    X(StartTimeYesterday, Time, 0.0, ClampTo(0.0, kLastSecondOfDay), General,                    \
      "StartTimeYesterday", "0", Real, 21)                                                       \
    X(StartTimeAbsolute, Time, 0.0, AnyValue(), General, "StartTimeAbsolute", "0", Real, 15)     \
    X(StartTimeSunriseRelative, Real, 0.0, ClampTo(-kMaxSunOffsetHours, kMaxSunOffsetHours),     \
      General, "StartTimeSunriseRelative", "0", Real, 19)                                        \
    X(StartTimeSunsetRelative, Real, 0.0, ClampTo(-kMaxSunOffsetHours, kMaxSunOffsetHours),      \
      General, "StartTimeSunsetRelative", "0", Real, 20)                                         \
    X(StopTimeOption, Int, 0, ClampTo(0, 6), General, "StopTimeOption", "0", Long, 24)           \
    X(StopTimeRelative, Real, 0.0, AnyValue(), General, "StopTimeRelative", "0", Real, 25)       \
    X(StopTimeToday, Time, 0.0, ClampTo(0.0, kLastSecondOfDay), General, "StopTimeToday", "0",   \
      Real, 26)                                                                                  \
    X(StopTimeYesterday, Time, 0.0, ClampTo(0.0, kLastSecondOfDay), General,                     \
      "StopTimeYesterday", "0", Real, 29)                                                        \
    X(StopTimeAbsolute, Time, 0.0, AnyValue(), General, "StopTimeAbsolute", "0", Real, 23)       \
    X(StopTimeSunriseRelative, Real, 0.0, ClampTo(-kMaxSunOffsetHours, kMaxSunOffsetHours),      \
      General, "StopTimeSunriseRelative", "0", Real, 27)                                         \
    X(StopTimeSunsetRelative, Real, 0.0, ClampTo(-kMaxSunOffsetHours, kMaxSunOffsetHours),       \
      General, "StopTimeSunsetRelative", "0", Real, 28)                                          \
    /* 0: every image in the window; 1: thinned to ImagesPerHour. */                              \
    X(ImageIntervalOption, Int, 0, ClampTo(0, 1), General, "ImageIntervalOption", "0", Long, 4)  \
    X(ImagesPerHour, Real, 60.0, ClampTo(1.0, 36000.0), General, "ImagesPerHour", "60", Real, 5) \
    X(DuplicateCount, Int, 2, ClampTo(1, 100000), General, "DuplicateCount", "2", Rounded, 6)    \
    /* 0: the file's modification time; 1: the time in its name. */                               \
    X(TimeStampOption, Int, 0, ClampTo(0, 1), General, "TimeStampOption", "0", Long, 30)         \
    X(OutputAVIPath, Text, "mymovie.avi", AnyValue(), General, "OutputAVIPath", "mymovie.avi",   \
      Text, 12)                                                                                  \
    /* 0: the size of the first readable image; 1: MovieSizeWidth x MovieSizeHeight. */           \
    X(MovieSizeOption, Int, 0, ClampTo(0, 1), General, "MovieSizeOption", "0", Long, 10)         \
    X(MovieSizeWidth, Int, 320, ClampTo(1, 1600), General, "MovieSizeWidth", "320", Long, 11)    \
    X(MovieSizeHeight, Int, 240, ClampTo(1, 1200), General, "MovieSizeHeight", "240", Rounded, 9) \
    X(MovieFPS, Fps, 24.0, ClampTo(1.0, 60.0), General, "MovieFPS", "24", Rounded, 8)            \
    X(PostGenerationShell, Text, "", AnyValue(), General, "PostGenerationShell", "", Text, 13)   \
    /* The compression options record, field by field. */                                        \
    X(CompressType, Int, 0, EveryCall(), Compress, "Type", "0", Long, 31)                         \
    X(CompressFormat, Int, 0, EveryCall(), Compress, "Format", "1024", Long, 32)                  \
    X(CompressParms, Int, 0, EveryCall(), Compress, "Parms", "1024", Long, 33)                    \
    X(CompressBytesPerSecond, Int, 100000, EveryCall(), Compress, "BytesPerSecond", "0", Long,   \
      34)                                                                                        \
    X(CompressFlags, Int, kAviCompressValid, EveryCall(), Compress, "Flags", "0", Long, 35)       \
    X(CompressInterleaveEvery, Int, 0, EveryCall(), Compress, "InterleaveEvery", "0", Long, 36)   \
    X(CompressKeyFrameEvery, Int, 0, EveryCall(), Compress, "KeyFrameEvery", "0", Long, 37)       \
    X(CompressQuality, Int, 50, EveryCall(), Compress, "Quality", "0", Long, 38)                  \
    X(CompressHandler, Int, kFourccDib, EveryCall(), Compress, "Handler", "0", Long, 39)          \
    /* The byte blocks' sizes: a larger value than the current one resizes the buffer to       \
       exactly that many bytes (keeping the bytes that fit); a smaller or equal one leaves the  \
       buffer as it is: 40, 20, 30 leaves buffers of 40, 40 and 30 bytes. The setup file sizes  \
       them from CompressFormat and CompressParms. */                                            \
    X(FormatSize, BlockSize, 0, GrowsBlock(formatBytes_), NotSaved, "", "", Long, 0)             \
    X(ParmsSize, BlockSize, 0, GrowsBlock(parmsBytes_), NotSaved, "", "", Long, 0)
// clang-format on

// The stored values of every setting, as MovieGen holds them; the frame selection reads its
// settings straight from here.
struct MovieSettings {
#define CHRONOREEL_SETTING_FIELD(Name, Kind, Initial, ...) \
    setting_kinds::Kind::Stored Name = Initial;
    CHRONOREEL_MOVIE_SETTINGS(CHRONOREEL_SETTING_FIELD)
#undef CHRONOREEL_SETTING_FIELD
};

// A setting's value as the setup file and the dry run write it: text as it is, Booleans as
// True/False, numbers as locale-neutral text.
std::string SettingText(const std::string& value);
std::string SettingText(bool value);
std::string SettingText(std::int32_t value);
std::string SettingText(double value);

}  // namespace chronoreel
