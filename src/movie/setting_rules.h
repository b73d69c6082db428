#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"

namespace chronoreel {

// How a movie setting is held (Stored), handed out by its getter (Get) and taken by its setter
// (Set). The names are the Kind column of the settings table.
namespace setting_kinds {

struct Text {
    using Stored = std::string;
    using Get = const std::string&;
    using Set = std::string_view;
};
struct Bool {
    using Stored = bool;
    using Get = bool;
    using Set = bool;
};
struct Int {
    using Stored = std::int32_t;
    using Get = std::int32_t;
    using Set = std::int32_t;
};
struct Real {
    using Stored = double;
    using Get = double;
    using Set = double;
};
struct Time {
    using Stored = DateTime;
    using Get = DateTime;
    using Set = DateTime;
};
// Held in single precision; the getter widens it (0.1 reads back as 0.100000001490116).
struct Hours32 {
    using Stored = float;
    using Get = double;
    using Set = double;
};
// Held as a real; the getter rounds it, halves to the even neighbour.
struct Fps {
    using Stored = double;
    using Get = std::int32_t;
    using Set = std::int32_t;
};
struct BlockSize {
    using Stored = std::int32_t;
    using Get = std::int32_t;
    using Set = std::int32_t;
};

}  // namespace setting_kinds

// What a setter does with a value: the Rule column of the settings table.
namespace setting_rules {

// Stored when it differs from the stored value.
struct AnyValue {};
// Stored when it differs from the stored value, then clamped into [low, high].
template <class T>
struct ClampTo {
    T low;
    T high;
};
template <class T>
ClampTo(T, T) -> ClampTo<T>;
// Only these two values are taken; any other is ignored.
struct OnlyValues {
    std::int32_t first;
    std::int32_t second;
};
// Narrowed to single precision, saturating at the largest float (which still means "never" and,
// unlike infinity, writes and reads back as a number).
struct SinglePrecision {};
// Stored and flagged on every call.
struct EveryCall {};
// A compressor byte block's size: grows the buffer, never shrinks it.
struct GrowsBlock {
    std::vector<std::uint8_t>& buffer;
};

}  // namespace setting_rules

// The setup file's side of a setting: its section and how its text becomes a value.
enum class SetupSection { General, Compress, NotSaved };
enum class SetupReading { Text, Bool, Long, Rounded, Real };

}  // namespace chronoreel
