#include "movie_setup/setup_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "base/app_error.h"
#include "base/error_report.h"
#include "base/numbers.h"
#include "movie_setup/setup_dialog.h"

namespace chronoreel {
namespace {

constexpr std::string_view kModule = "modFile";
constexpr std::string_view kGeneral = "General";
constexpr std::string_view kCompress = "Compress";

// One setup key: where it lives, its default text and how it moves between text and MovieGen.
struct SetupKey {
    int order;
    SetupSection section;
    std::string_view key;
    std::string_view defaultText;
    void (*load)(MovieGen&, const std::string&);
    std::string (*save)(const MovieGen&);
};

std::string_view SectionName(SetupSection section) {
    return section == SetupSection::Compress ? kCompress : kGeneral;
}

// Integers that the file may hold with a fraction: read as a real, rounded half to even. A
// value outside the 32-bit range cannot be held and is an error.
std::int32_t RoundedInt32(std::string_view text) {
    const double value = std::nearbyint(Str2DblNI(text));
    if (!(value >= std::numeric_limits<std::int32_t>::min() &&
          value <= std::numeric_limits<std::int32_t>::max())) {
        throw AppError(kErrOverflow, "Overflow");
    }
    return static_cast<std::int32_t>(value);
}

// A key's text as the value its setter takes.
template <SetupReading reading>
auto ReadValue(const std::string& text) {
    if constexpr (reading == SetupReading::Text) {
        return std::string_view(text);
    } else if constexpr (reading == SetupReading::Bool) {
        return Str2Bool(text);
    } else if constexpr (reading == SetupReading::Long) {
        return Str2LngNI(text);
    } else if constexpr (reading == SetupReading::Rounded) {
        return RoundedInt32(text);
    } else {
        return Str2DblNI(text);
    }
}

// Every saved setting in the order in which the file's keys are read and written.
const std::vector<SetupKey>& SetupKeys() {
    static const std::vector<SetupKey> keys = [] {
        std::vector<SetupKey> all = {
#define CHRONOREEL_SETUP_KEY(Name, Kind, Initial, Rule, Section, Key, Default, Reading, Order)    \
    {Order,                                                                                       \
     SetupSection::Section,                                                                       \
     Key,                                                                                         \
     Default,                                                                                     \
     [](MovieGen& m, const std::string& t) { m.Set##Name(ReadValue<SetupReading::Reading>(t)); }, \
     [](const MovieGen& m) { return SettingText(m.Name()); }},
            CHRONOREEL_MOVIE_SETTINGS(CHRONOREEL_SETUP_KEY)
#undef CHRONOREEL_SETUP_KEY
        };
        std::erase_if(all, [](const SetupKey& k) { return k.section == SetupSection::NotSaved; });
        std::sort(all.begin(), all.end(),
                  [](const SetupKey& a, const SetupKey& b) { return a.order < b.order; });
        return all;
    }();
    return keys;
}

// A byte block is stored as hex lines of 32 bytes, each line 64 hex digits, the last one
// filled up with "0". Lines are numbered from 1 with five digits.
constexpr std::int32_t kBytesPerHexLine = 32;
constexpr std::size_t kHexLineLength = 64;
constexpr std::string_view kFormatLinePrefix = "FormatData";
constexpr std::string_view kParmsLinePrefix = "ParmsData";

using ByteGetter = std::uint8_t (MovieGen::*)(std::int32_t) const;
using ByteSetter = void (MovieGen::*)(std::int32_t, std::uint8_t);

// (bytes - 1) / 32 + 1, truncating toward zero: a block of 0 bytes still has one line.
std::int64_t HexLineCount(std::int32_t bytes) {
    return (std::int64_t{bytes} - 1) / kBytesPerHexLine + 1;
}

std::string HexLineKey(std::string_view prefix, std::int64_t line) {
    std::string number = std::to_string(line);
    if (number.size() < 5) {
        number.insert(0, 5 - number.size(), '0');
    }
    return std::string(prefix) + number;
}

// Block bytes held by line `line` (from 1): 32, or fewer on the last line.
std::int32_t BytesOnLine(std::int32_t bytes, std::int64_t line) {
    const std::int64_t first = (line - 1) * kBytesPerHexLine;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(std::int64_t{bytes} - first, 0, kBytesPerHexLine));
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Byte `index` of a hex line; a line too short for it or a character that is no hex digit is
// an error (the bytes would otherwise be taken wrong without anyone noticing).
std::uint8_t HexLineByte(const std::string& line, std::int32_t index) {
    const std::size_t at = static_cast<std::size_t>(index) * 2;
    if (at + 2 > line.size()) {
        throw AppError(kErrTypeMismatch, "Type mismatch");
    }
    const int high = HexDigitValue(line[at]);
    const int low = HexDigitValue(line[at + 1]);
    if (high < 0 || low < 0) {
        throw AppError(kErrTypeMismatch, "Type mismatch");
    }
    return static_cast<std::uint8_t>(high * 16 + low);
}

std::string HexLineText(const MovieGen& m, ByteGetter get, std::int32_t bytes, std::int64_t line) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(kHexLineLength, '0');
    const std::int32_t first = static_cast<std::int32_t>((line - 1) * kBytesPerHexLine);
    const std::int32_t count = BytesOnLine(bytes, line);
    for (std::int32_t j = 0; j < count; ++j) {
        const std::uint8_t value = (m.*get)(first + j);
        text[static_cast<std::size_t>(j) * 2] = kDigits[value >> 4];
        text[static_cast<std::size_t>(j) * 2 + 1] = kDigits[value & 0x0F];
    }
    return text;
}

// Reads keys in batches, each batch in one reading of the file (a file with large blocks holds
// thousands of hex lines: reading it once per key would take time in the square of its size),
// and remembers the missing ones with their defaults in the order they are taken, so that they
// can be written in one replacement that ends as if each had been written when it was read.
class KeyReader {
  public:
    KeyReader(INI& ini, LoadMode mode) : ini_(ini), mode_(mode) {}

    // Reads the keys of requests (each entry's text is its default) in one reading of the file.
    void Fetch(std::vector<IniEntry> requests) {
        values_ = ini_.GetKeys(requests, SetDefault::kNo);
        requests_ = std::move(requests);
    }

    // The value of fetched key number index, or its default when it is missing or empty.
    std::string Take(std::size_t index) {
        if (!values_[index].empty()) {
            return values_[index];
        }
        if (mode_ == LoadMode::kWriteMissingKeys) {
            missing_.push_back(requests_[index]);
        }
        return requests_[index].text;
    }

    // Runs step and then writes the defaults read so far, also when step fails: the keys read
    // before an error stay written, as they would be key by key.
    template <class Step>
    void WriteMissingAfter(Step&& step) {
        try {
            step();
        } catch (...) {
            Flush();
            throw;
        }
        Flush();
    }

  private:
    void Flush() {
        if (!missing_.empty()) {
            ini_.SetKeys(missing_);
            missing_.clear();
        }
    }

    INI& ini_;
    LoadMode mode_;
    std::vector<IniEntry> requests_;
    std::vector<std::string> values_;
    std::vector<IniEntry> missing_;
};

void AppendBlockRequests(std::vector<IniEntry>& requests, std::string_view prefix,
                         std::int32_t bytes) {
    static const std::string kZeroLine(kHexLineLength, '0');
    const std::int64_t lines = HexLineCount(bytes);
    for (std::int64_t i = 1; i <= lines; ++i) {
        requests.push_back({std::string(kCompress), HexLineKey(prefix, i), kZeroLine});
    }
}

// The block's bytes from its hex lines, fetched by the reader from number firstLine on.
void LoadBlock(KeyReader& reader, std::size_t firstLine, MovieGen& m, ByteSetter set,
               std::int32_t bytes) {
    const std::int64_t lines = HexLineCount(bytes);
    for (std::int64_t i = 1; i <= lines; ++i) {
        const std::string text = reader.Take(firstLine + static_cast<std::size_t>(i - 1));
        const std::int32_t first = static_cast<std::int32_t>((i - 1) * kBytesPerHexLine);
        const std::int32_t count = BytesOnLine(bytes, i);
        for (std::int32_t j = 0; j < count; ++j) {
            (m.*set)(first + j, HexLineByte(text, j));
        }
    }
}

void AppendBlockLines(std::vector<IniEntry>& entries, const MovieGen& m, std::string_view prefix,
                      ByteGetter get, std::int32_t bytes) {
    const std::int64_t lines = HexLineCount(bytes);
    for (std::int64_t i = 1; i <= lines; ++i) {
        entries.push_back(
            {std::string(kCompress), HexLineKey(prefix, i), HexLineText(m, get, bytes, i)});
    }
}

// Sizes the blocks from the Format and Parms values.
void SizeBlocks(MovieGen& m) {
    m.SetFormatSize(m.CompressFormat());
    m.SetParmsSize(m.CompressParms());
}

}  // namespace

void LoadFile(SetupSession& session, LoadMode mode) {
    Trap(kModule, "LoadFile", [&] {
        ProgramState& state = session.state;
        MovieGen& m = session.movieGen;
        session.ini.SetFile(state.currentSetupFile);
        KeyReader reader(session.ini, mode);
        // Every missing key goes into the file in one replacement, so that a program killed
        // meanwhile leaves the file as it was or complete.
        reader.WriteMissingAfter([&] {
            const std::vector<SetupKey>& keys = SetupKeys();
            std::vector<IniEntry> requests;
            requests.reserve(keys.size());
            for (const SetupKey& key : keys) {
                requests.push_back({std::string(SectionName(key.section)), std::string(key.key),
                                    std::string(key.defaultText)});
            }
            reader.Fetch(std::move(requests));
            for (std::size_t i = 0; i < keys.size(); ++i) {
                keys[i].load(m, reader.Take(i));
            }
            // The block sizes read decide which hex lines there are.
            SizeBlocks(m);
            const std::int32_t formatBytes = m.CompressFormat();
            const std::int32_t parmsBytes = m.CompressParms();
            std::vector<IniEntry> lines;
            AppendBlockRequests(lines, kFormatLinePrefix, formatBytes);
            const std::size_t firstParmsLine = lines.size();
            AppendBlockRequests(lines, kParmsLinePrefix, parmsBytes);
            reader.Fetch(std::move(lines));
            LoadBlock(reader, 0, m, &MovieGen::SetFormatBytes, formatBytes);
            LoadBlock(reader, firstParmsLine, m, &MovieGen::SetParmsBytes, parmsBytes);
        });
        state.setupChanged.Clear();
        if (!state.automation) {
            session.view.EnableSaveCommands();
        }
        MoveToFront(state.recentFiles, state.currentSetupFile);
        if (state.automation) {
            return;
        }
        session.view.RecentFilesChanged(state.recentFiles);
        session.view.RefreshSetupControls();
        session.view.ShowTitle(MainWindowTitle(state.currentSetupFile));
    });
}

bool SaveFile(SetupSession& session) {
    return Trap(kModule, "SaveFile", [&] {
        ProgramState& state = session.state;
        MovieGen& m = session.movieGen;
        if (state.currentSetupFile.empty()) {
            const std::optional<std::string> chosen =
                AskSetupFilePath(session.prompter, FileDialogStyle::kOpen, "Save Setup File");
            if (!chosen) {
                return false;
            }
            if (chosen->empty()) {
                ShowNoFileSelected(session.prompter);
                return false;
            }
            state.currentSetupFile = *chosen;
        }
        session.ini.SetFile(state.currentSetupFile);

        std::vector<IniEntry> entries;
        entries.reserve(SetupKeys().size());
        for (const SetupKey& key : SetupKeys()) {
            entries.push_back(
                {std::string(SectionName(key.section)), std::string(key.key), key.save(m)});
        }
        SizeBlocks(m);
        AppendBlockLines(entries, m, kFormatLinePrefix, &MovieGen::FormatBytes, m.CompressFormat());
        AppendBlockLines(entries, m, kParmsLinePrefix, &MovieGen::ParmsBytes, m.CompressParms());
        // One replacement for the whole setup: a failure leaves the file as it was, and the
        // settings stay unsaved (changed) until a save goes through.
        session.ini.TakeWriteError();
        if (!session.ini.SetKeys(entries)) {
            session.prompter.Message(
                "The setup file could not be saved:\n" +
                    session.ini.TakeWriteError().value_or(state.currentSetupFile),
                "Save Setup File", MessageButtons::kOk, MessageIcon::kExclamation);
            return false;
        }

        MoveToFront(state.recentFiles, state.currentSetupFile);
        session.view.RecentFilesChanged(state.recentFiles);
        session.view.ShowTitle(MainWindowTitle(state.currentSetupFile));
        state.setupChanged.Clear();
        return true;
    });
}

}  // namespace chronoreel
