#include "setup/ini.h"

#include <exception>
#include <optional>

#include "app/error_report.h"
#include "setup/ini_text.h"
#include "setup/locked_file_update.h"

namespace chronoreel {
namespace {

constexpr std::string_view kQuote = "\"";
constexpr std::string_view kQuoteCode = "&34";

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

// The scheduler's values keep their double quotes as "&34" in the file.
std::string EncodeText(IniFlavour flavour, std::string_view text) {
    if (flavour == IniFlavour::kScheduler) {
        return ReplaceAll(std::string(text), kQuote, kQuoteCode);
    }
    return std::string(text);
}

std::string DecodeText(IniFlavour flavour, std::string text) {
    if (flavour == IniFlavour::kScheduler) {
        return ReplaceAll(std::move(text), kQuoteCode, kQuote);
    }
    return text;
}

bool IsWritable(const IniEntry& entry) {
    return IsWritableSectionName(entry.section) && IsWritableKeyName(entry.key);
}

// A key present with an empty value counts as missing.
std::optional<std::string> FindValue(const IniText& text, std::string_view section,
                                     std::string_view key) {
    std::optional<std::string> value = text.Find(section, key);
    if (value && value->empty()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

INI::INI(IniFlavour flavour) : flavour_(flavour) {}

void INI::SetFile(std::string path) {
    Trap("INI", "SetFile_Let", [&] { path_ = std::move(path); });
}

std::string INI::GetKey(std::string_view section, std::string_view key, SetDefault setDefault,
                        std::string_view defaultValue) {
    try {
        const std::optional<std::string> content = ReadFileText(path_);
        if (content) {
            if (std::optional<std::string> value =
                    FindValue(IniText::Parse(*content), section, key)) {
                return DecodeText(flavour_, std::move(*value));
            }
        }
        if (setDefault == SetDefault::kNo) {
            return {};
        }
        // The default goes in only while the key is still missing under the writers' lock: a
        // value another program wrote meanwhile is kept and returned.
        std::string result(defaultValue);
        if (IsWritable({std::string(section), std::string(key), {}})) {
            UpdateFileLocked(path_, [&](const std::string& current) -> std::optional<std::string> {
                IniText text = IniText::Parse(current);
                if (std::optional<std::string> value = FindValue(text, section, key)) {
                    result = std::move(*value);
                    return std::nullopt;
                }
                text.Set(section, key, StoredValue(EncodeText(flavour_, defaultValue)));
                return text.Render();
            });
        }
        return DecodeText(flavour_, std::move(result));
    } catch (const std::exception&) {
        return {};
    }
}

void INI::SetKey(std::string_view section, std::string_view key, std::string_view text) {
    SetKeys({{std::string(section), std::string(key), std::string(text)}});
}

void INI::SetKeys(const std::vector<IniEntry>& entries) {
    try {
        std::vector<IniEntry> writable;
        for (const IniEntry& entry : entries) {
            if (IsWritable(entry)) {
                writable.push_back(
                    {entry.section, entry.key, StoredValue(EncodeText(flavour_, entry.text))});
            }
        }
        if (writable.empty()) {
            return;
        }
        UpdateFileLocked(path_, [&](const std::string& current) -> std::optional<std::string> {
            IniText text = IniText::Parse(current);
            for (const IniEntry& entry : writable) {
                text.Set(entry.section, entry.key, entry.text);
            }
            return text.Render();
        });
    } catch (const std::exception&) {
        // A failed write leaves the file as it was; callers go on as with a read-only file.
    }
}

}  // namespace chronoreel
