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

namespace {

template <class Kind>
typename Kind::Get ReadSetting(const typename Kind::Stored& stored) {
    return stored;
}

template <>
std::int32_t ReadSetting<setting_kinds::Fps>(const double& stored) {
    // The default rounding mode rounds halves to the even neighbour.
    return static_cast<std::int32_t>(std::nearbyint(stored));
}

}  // namespace

template <class Stored, class Value>
void MovieGen::Store(Stored& stored, Value value, setting_rules::AnyValue, const char*) {
    if (value != stored) {
        stored = value;
        setupChanged_.Set();
    }
}

void MovieGen::Store(std::string& stored, std::string_view value, setting_rules::AnyValue,
                     const char* procedure) {
    Trap(kModule, procedure, [&] {
        if (value != stored) {
            stored.assign(value);
            setupChanged_.Set();
        }
    });
}

template <class Stored, class Value, class Bound>
void MovieGen::Store(Stored& stored, Value value, setting_rules::ClampTo<Bound> rule, const char*) {
    // Compared before clamping: an out-of-range value always counts as a change.
    const auto given = static_cast<Stored>(value);
    if (given != stored) {
        stored = given;
        Limit(stored, static_cast<Stored>(rule.low), static_cast<Stored>(rule.high));
        setupChanged_.Set();
    }
}

void MovieGen::Store(std::int32_t& stored, std::int32_t value, setting_rules::OnlyValues rule,
                     const char* procedure) {
    if (value == rule.first || value == rule.second) {
        Store(stored, value, setting_rules::AnyValue(), procedure);
    }
}

void MovieGen::Store(float& stored, double value, setting_rules::SinglePrecision,
                     const char* procedure) {
    // Narrowing a double beyond the float range is undefined; saturate at the largest float.
    const double bounded =
        std::isnan(value) ? value : std::clamp(value, -double{FLT_MAX}, double{FLT_MAX});
    Store(stored, static_cast<float>(bounded), setting_rules::AnyValue(), procedure);
}

void MovieGen::Store(std::int32_t& stored, std::int32_t value, setting_rules::EveryCall,
                     const char*) {
    stored = value;
    setupChanged_.Set();
}

void MovieGen::Store(std::int32_t& size, std::int32_t bytes, setting_rules::GrowsBlock rule,
                     const char* procedure) {
    Trap(kModule, procedure, [&] {
        if (bytes > size) {
            if (bytes > kMaxCompressorBlockBytes) {
                throw AppError(kErrOutOfMemory, "Out of memory");
            }
            rule.buffer.resize(static_cast<std::size_t>(bytes));
        }
        size = bytes;
        setupChanged_.Set();
    });
}

#define CHRONOREEL_DEFINE_SETTING(Name, Kind, Initial, Rule, ...) \
    setting_kinds::Kind::Get MovieGen::Name() const {             \
        return ReadSetting<setting_kinds::Kind>(values_.Name);    \
    }                                                             \
    void MovieGen::Set##Name(setting_kinds::Kind::Set value) {    \
        using namespace setting_rules;                            \
        Store(values_.Name, value, Rule, #Name "_Let");           \
    }
CHRONOREEL_MOVIE_SETTINGS(CHRONOREEL_DEFINE_SETTING)
#undef CHRONOREEL_DEFINE_SETTING

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
