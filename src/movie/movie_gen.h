#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"
#include "movie/movie_settings.h"
#include "movie/setup_changed_flag.h"

namespace chronoreel {

// Largest compressor byte block accepted. Real compressor formats and states take a few hundred
// bytes; a setup file asking for more is damaged, and honouring it would fill memory and the
// file with millions of hex lines.
inline constexpr std::int32_t kMaxCompressorBlockBytes = 1 << 20;

// State of one generation run, shared by its steps and never saved. Empty between runs until a
// run fills it.
struct MovieRunState {
    DateTime windowStart = 0;
    DateTime windowStop = 0;
    std::int32_t movieWidth = 0;  // pixels, 0 while not yet known
    std::int32_t movieHeight = 0;
};

// The movie maker's one engine object: every setting of a movie setup as a named property
// (movie_settings.h declares them, with the rule each setter follows), the compression options'
// two byte buffers, and the state of the current generation run.
//
// A setter that stores a value sets the program's setup-changed flag. The compression fields,
// the block sizes and the block bytes set it on every call.
//
// Errors (an index outside a byte block, a block too large to allocate) go to the error report
// under module "MovieGen" and the procedure "<Property>_Get" or "<Property>_Let".
class MovieGen {
  public:
    explicit MovieGen(SetupChangedFlag& setupChanged);
    MovieGen(const MovieGen&) = delete;
    MovieGen& operator=(const MovieGen&) = delete;

    // Every setting of the table in movie_settings.h: Name() and SetName(value).
#define CHRONOREEL_SETTING_ACCESSORS(Name, Kind, ...) \
    setting_kinds::Kind::Get Name() const;            \
    void Set##Name(setting_kinds::Kind::Set value);
    CHRONOREEL_MOVIE_SETTINGS(CHRONOREEL_SETTING_ACCESSORS)
#undef CHRONOREEL_SETTING_ACCESSORS

    // The stored values of every setting.
    const MovieSettings& Settings() const {
        return values_;
    }

    // One byte of a block; an index outside the buffer goes to the error report.
    std::uint8_t FormatBytes(std::int32_t index) const;
    void SetFormatBytes(std::int32_t index, std::uint8_t value);
    std::uint8_t ParmsBytes(std::int32_t index) const;
    void SetParmsBytes(std::int32_t index, std::uint8_t value);
    // Address of byte 0 of a buffer, valid until the buffer is next resized. The compression
    // record's two address fields answer the same.
    std::intptr_t FormatPointer() const;
    std::intptr_t ParmsPointer() const;
    std::intptr_t CompressFormatPointer() const {
        return FormatPointer();
    }
    std::intptr_t CompressParmsPointer() const {
        return ParmsPointer();
    }
    // The whole buffers (at least FormatSize / ParmsSize bytes, at least one byte).
    const std::vector<std::uint8_t>& FormatBuffer() const {
        return formatBytes_;
    }
    const std::vector<std::uint8_t>& ParmsBuffer() const {
        return parmsBytes_;
    }

    // Asks the current run to stop at its next checkpoint. false is ignored: only the start of a
    // run clears the request. Safe to call from a signal handler.
    void SetCancelMovie(bool cancel);
    bool CancelRequested() const {
        return cancel_.load();
    }
    // Called by the run when it starts.
    void ClearCancelMovie() {
        cancel_.store(false);
    }
    // The request itself, for a signal handler that may only store into a lock-free atomic.
    std::atomic<bool>& CancelFlag() {
        return cancel_;
    }

    MovieRunState& RunState() {
        return run_;
    }
    const MovieRunState& RunState() const {
        return run_;
    }

  private:
    template <class Stored, class Value>
    void Store(Stored& stored, Value value, setting_rules::AnyValue, const char* procedure);
    void Store(std::string& stored, std::string_view value, setting_rules::AnyValue,
               const char* procedure);
    template <class Stored, class Value, class Bound>
    void Store(Stored& stored, Value value, setting_rules::ClampTo<Bound> rule, const char*);
    void Store(std::int32_t& stored, std::int32_t value, setting_rules::OnlyValues rule,
               const char*);
    void Store(float& stored, double value, setting_rules::SinglePrecision, const char*);
    void Store(std::int32_t& stored, std::int32_t value, setting_rules::EveryCall, const char*);
    void Store(std::int32_t& size, std::int32_t bytes, setting_rules::GrowsBlock rule,
               const char* procedure);

    SetupChangedFlag& setupChanged_;
    MovieSettings values_;
    std::vector<std::uint8_t> formatBytes_ = std::vector<std::uint8_t>(1, 0);
    std::vector<std::uint8_t> parmsBytes_ = std::vector<std::uint8_t>(1, 0);

    std::atomic<bool> cancel_{false};
    MovieRunState run_;
};

}  // namespace chronoreel
