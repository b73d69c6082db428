#include "movie/frame_progress.h"

#include <charconv>

namespace chronoreel {
namespace {

// Reads a plain decimal number at the start of text and removes it.
std::optional<std::size_t> TakeNumber(std::string_view& text) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) {
        return std::nullopt;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

bool TakePrefix(std::string_view& text, std::string_view prefix) {
    if (!text.starts_with(prefix)) {
        return false;
    }
    text.remove_prefix(prefix.size());
    return true;
}

}  // namespace

std::optional<FrameProgress> FrameProgressFromText(std::string_view frameText) {
    std::string_view rest = frameText;
    if (!TakePrefix(rest, "Frame: ")) {
        return std::nullopt;
    }
    const std::optional<std::size_t> done = TakeNumber(rest);
    if (!done || !TakePrefix(rest, " of ")) {
        return std::nullopt;
    }
    const std::optional<std::size_t> total = TakeNumber(rest);
    if (!total || !rest.empty()) {
        return std::nullopt;
    }
    return FrameProgress{*done, *total};
}

}  // namespace chronoreel
