#include "video/video_settings.h"

#include <algorithm>

namespace chronoreel {

std::string FourccText(std::int32_t code) {
    const auto bits = static_cast<std::uint32_t>(code);
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) {
        const auto byte = static_cast<unsigned char>(bits >> shift);
        if (byte < 0x20 || byte > 0x7e) {
            return std::to_string(code);
        }
        text += static_cast<char>(byte);
    }
    return text;
}

std::string ExtraOptionsFromParms(std::span<const std::uint8_t> parms) {
    const auto end = std::find(parms.begin(), parms.end(), std::uint8_t{0});
    const bool printable = std::all_of(
        parms.begin(), end, [](std::uint8_t byte) { return byte >= 0x20 && byte <= 0x7e; });
    if (!printable) {
        return {};
    }
    return std::string(parms.begin(), end);
}

}  // namespace chronoreel
