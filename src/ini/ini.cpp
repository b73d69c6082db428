#include "ini/ini.h"

#include <exception>
#include <optional>
#include <utility>

#include "base/error_report.h"
#include "ini/ini_text.h"

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

// FindAll with a key present without a value counted as missing.
std::vector<std::optional<std::string>> FindValues(const IniText& text,
                                                   const std::vector<IniEntry>& keys) {
    std::vector<std::optional<std::string>> values = text.FindAll(keys);
    for (std::optional<std::string>& value : values) {
        if (value && value->empty()) {
            value.reset();
        }
    }
    return values;
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
            Update([&](const std::string& current) -> std::optional<std::string> {
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

std::vector<std::string> INI::GetKeys(const std::vector<IniEntry>& requests,
                                      SetDefault setDefault) {
    std::vector<std::string> results(requests.size());
    try {
        const std::optional<std::string> content = ReadFileText(path_);
        std::vector<size_t> missing;
        if (content) {
            const std::vector<std::optional<std::string>> values =
                FindValues(IniText::Parse(*content), requests);
            for (size_t i = 0; i < requests.size(); ++i) {
                if (values[i]) {
                    results[i] = DecodeText(flavour_, *values[i]);
                } else {
                    missing.push_back(i);
                }
            }
        } else {
            for (size_t i = 0; i < requests.size(); ++i) {
                missing.push_back(i);
            }
        }
        if (missing.empty() || setDefault == SetDefault::kNo) {
            return results;
        }
        std::vector<IniEntry> defaults;
        for (const size_t i : missing) {
            results[i] = DecodeText(flavour_, requests[i].text);
            if (IsWritable(requests[i])) {
                defaults.push_back({requests[i].section, requests[i].key,
                                    StoredValue(EncodeText(flavour_, requests[i].text))});
            }
        }
        if (defaults.empty()) {
            return results;
        }
        // As with GetKey, the defaults go in under the writers' lock only where the key is still
        // missing; what the file then holds is the answer (a value written meanwhile, or the
        // first default written for a key asked twice).
        std::optional<std::vector<std::string>> written;
        Update([&](const std::string& current) -> std::optional<std::string> {
            IniText text = IniText::Parse(current);
            written = text.SetMissing(defaults);
            return text.Render();
        });
        if (written) {
            size_t next = 0;
            for (const size_t i : missing) {
                if (IsWritable(requests[i])) {
                    results[i] = DecodeText(flavour_, (*written)[next++]);
                }
            }
        }
        return results;
    } catch (const std::exception&) {
        return std::vector<std::string>(requests.size());
    }
}

bool INI::SetKey(std::string_view section, std::string_view key, std::string_view text) {
    return SetKeys({{std::string(section), std::string(key), std::string(text)}});
}

bool INI::SetKeys(const std::vector<IniEntry>& entries) {
    try {
        std::vector<IniEntry> writable;
        for (const IniEntry& entry : entries) {
            if (IsWritable(entry)) {
                writable.push_back(
                    {entry.section, entry.key, StoredValue(EncodeText(flavour_, entry.text))});
            }
        }
        if (writable.empty()) {
            return true;
        }
        return Update([&](const std::string& current) -> std::optional<std::string> {
            IniText text = IniText::Parse(current);
            text.SetAll(writable);
            return text.Render();
        });
    } catch (const std::exception& e) {
        // A failed write leaves the file as it was.
        if (!writeError_) {
            writeError_ = e.what();
        }
        return false;
    }
}

bool INI::Update(const FileEdit& edit) {
    std::string error;
    if (UpdateFileLocked(path_, edit, error)) {
        return true;
    }
    if (!writeError_) {
        writeError_ = std::move(error);
    }
    return false;
}

std::optional<std::string> INI::TakeWriteError() {
    return std::exchange(writeError_, std::nullopt);
}

}  // namespace chronoreel
