#include "imaging/jpeg_copy_check.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

#include "imaging/jpeg_decoder.h"

namespace chronoreel {
namespace {

constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSof0 = 0xC0;  // baseline
constexpr std::uint8_t kSof1 = 0xC1;  // extended sequential, Huffman
constexpr std::uint8_t kDht = 0xC4;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kDqt = 0xDB;
constexpr std::uint8_t kDri = 0xDD;
constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::uint8_t kApp14 = 0xEE;
constexpr std::uint8_t kApp15 = 0xEF;
constexpr std::uint8_t kCom = 0xFE;

bool IsRestart(std::uint8_t marker) {
    return marker >= 0xD0 && marker <= 0xD7;
}

struct Component {
    std::uint8_t id = 0;
    std::uint8_t sampling = 0;  // horizontal factor in the high four bits, vertical in the low
    std::uint8_t quantTable = 0;
};

// What the walk has seen so far.
struct Walk {
    bool haveFrame = false;
    bool adobeRgb = false;  // an Adobe segment saying the three components are not YCbCr
    JpegFrameSize size;
    std::array<Component, 3> components{};
    std::array<bool, 4> quantDefined{};
    std::array<bool, 4> dcDefined{};
    std::array<bool, 4> acDefined{};
};

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

bool ReadFrameHeader(std::span<const std::uint8_t> body, Walk& walk) {
    // precision, height, width, component count, then three bytes per component
    if (walk.haveFrame || body.size() != 6 + 3 * 3 || body[0] != 8 || body[5] != 3) {
        return false;
    }
    walk.size.height = ReadU16(body, 1);
    walk.size.width = ReadU16(body, 3);
    // A height from a later DNL segment is refused, and so is a side the decoder would refuse.
    if (walk.size.width == 0 || walk.size.height == 0 || walk.size.width > kMaxJpegSidePixels ||
        walk.size.height > kMaxJpegSidePixels) {
        return false;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        Component& component = walk.components[i];
        component.id = body[6 + 3 * i];
        component.sampling = body[7 + 3 * i];
        component.quantTable = body[8 + 3 * i];
        if (component.quantTable > 3) {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (walk.components[j].id == component.id) {
                return false;
            }
        }
    }
    // Luma 2x2 (4:2:0), 2x1 (4:2:2) or 1x1 (4:4:4); both chroma components 1x1.
    const std::uint8_t luma = walk.components[0].sampling;
    if ((luma != 0x22 && luma != 0x21 && luma != 0x11) || walk.components[1].sampling != 0x11 ||
        walk.components[2].sampling != 0x11) {
        return false;
    }
    // Components named R, G, B hold RGB, which a Motion JPEG player would show as YCbCr.
    if (walk.components[0].id == 'R' && walk.components[1].id == 'G' &&
        walk.components[2].id == 'B') {
        return false;
    }
    walk.haveFrame = true;
    return true;
}

bool ReadHuffmanTables(std::span<const std::uint8_t> body, Walk& walk) {
    std::size_t at = 0;
    while (at < body.size()) {
        if (body.size() - at < 17) {
            return false;
        }
        const std::uint8_t tableClass = body[at] >> 4;
        const std::uint8_t id = body[at] & 0x0F;
        if (tableClass > 1 || id > 3) {
            return false;
        }
        std::size_t symbols = 0;
        for (std::size_t i = 1; i <= 16; ++i) {
            symbols += body[at + i];
        }
        if (symbols == 0 || symbols > 256 || body.size() - at - 17 < symbols) {
            return false;
        }
        (tableClass == 0 ? walk.dcDefined : walk.acDefined)[id] = true;
        at += 17 + symbols;
    }
    return !body.empty();
}

bool ReadQuantTables(std::span<const std::uint8_t> body, Walk& walk) {
    std::size_t at = 0;
    while (at < body.size()) {
        const std::uint8_t precision = body[at] >> 4;
        const std::uint8_t id = body[at] & 0x0F;
        const std::size_t valueBytes = precision == 0 ? 64 : 128;
        if (precision > 1 || id > 3 || body.size() - at - 1 < valueBytes) {
            return false;
        }
        walk.quantDefined[id] = true;
        at += 1 + valueBytes;
    }
    return !body.empty();
}

// The scan header: the three components of the frame, in one interleaved sequential scan, with
// tables that were defined.
bool ReadScanHeader(std::span<const std::uint8_t> body, const Walk& walk) {
    if (!walk.haveFrame || body.size() != 1 + 2 * 3 + 3 || body[0] != 3) {
        return false;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const Component& component = walk.components[i];
        const std::uint8_t tables = body[2 + 2 * i];
        const std::uint8_t dc = tables >> 4;
        const std::uint8_t ac = tables & 0x0F;
        if (body[1 + 2 * i] != component.id || dc > 3 || ac > 3 || !walk.dcDefined[dc] ||
            !walk.acDefined[ac] || !walk.quantDefined[component.quantTable]) {
            return false;
        }
    }
    const std::size_t spectral = 1 + 2 * 3;
    return body[spectral] == 0 && body[spectral + 1] == 63 && body[spectral + 2] == 0;
}

// An Adobe segment with transform 0 marks three components as RGB.
void ReadAdobe(std::span<const std::uint8_t> body, Walk& walk) {
    constexpr std::array<std::uint8_t, 5> kAdobe{'A', 'd', 'o', 'b', 'e'};
    if (body.size() >= 12 && std::equal(kAdobe.begin(), kAdobe.end(), body.begin())) {
        walk.adobeRgb = body[11] == 0;
    }
}

// The end of the entropy-coded data that starts at at: the position of the marker that ends it.
std::optional<std::size_t> EndOfScan(std::span<const std::uint8_t> jpeg, std::size_t at) {
    while (at < jpeg.size()) {
        if (jpeg[at] != 0xFF) {
            ++at;
            continue;
        }
        std::size_t next = at + 1;
        while (next < jpeg.size() && jpeg[next] == 0xFF) {
            ++next;  // fill bytes before a marker
        }
        if (next >= jpeg.size()) {
            return std::nullopt;
        }
        if (jpeg[next] == 0x00 || IsRestart(jpeg[next])) {
            at = next + 1;  // a stuffed data byte, or a restart inside the scan
            continue;
        }
        return at;
    }
    return std::nullopt;
}

// Grows the frame by hand: g++ 12 at -O3 warns falsely about vector::insert of a span here.
void Append(std::vector<std::uint8_t>& frame, std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return;
    }
    const std::size_t end = frame.size();
    frame.resize(end + bytes.size());
    std::memcpy(frame.data() + end, bytes.data(), bytes.size());
}

}  // namespace

std::optional<JpegFrameSize> ExtractCopyableJpeg(std::span<const std::uint8_t> jpeg,
                                                 std::vector<std::uint8_t>& frame) {
    frame.clear();
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != kSoi) {
        return std::nullopt;
    }
    // The frame is never larger than the still; reserving once keeps the appends cheap.
    frame.reserve(jpeg.size());
    Append(frame, jpeg.first(2));
    Walk walk;
    std::size_t at = 2;
    for (;;) {
        if (at + 1 >= jpeg.size() || jpeg[at] != 0xFF) {
            return std::nullopt;
        }
        std::size_t markerAt = at + 1;
        while (markerAt < jpeg.size() && jpeg[markerAt] == 0xFF) {
            ++markerAt;
        }
        if (markerAt + 2 >= jpeg.size()) {
            return std::nullopt;
        }
        const std::uint8_t marker = jpeg[markerAt];
        // Every marker before the scan has a length; a second start, an early end, a restart or
        // a stray byte there is not a whole still.
        if (marker == 0x00 || marker == 0x01 || marker == kSoi || marker == kEoi ||
            IsRestart(marker)) {
            return std::nullopt;
        }
        const std::size_t length = ReadU16(jpeg, markerAt + 1);
        const std::size_t bodyAt = markerAt + 3;
        if (length < 2 || jpeg.size() - (markerAt + 1) < length) {
            return std::nullopt;
        }
        const auto segment = jpeg.subspan(markerAt - 1, length + 2);
        const auto body = jpeg.subspan(bodyAt, length - 2);
        at = markerAt + 1 + length;
        bool keep = true;
        if (marker == kSof0 || marker == kSof1) {
            if (!ReadFrameHeader(body, walk)) {
                return std::nullopt;
            }
        } else if (marker == kDht) {
            if (!ReadHuffmanTables(body, walk)) {
                return std::nullopt;
            }
        } else if (marker == kDqt) {
            if (!ReadQuantTables(body, walk)) {
                return std::nullopt;
            }
        } else if (marker == kDri) {
            if (body.size() != 2) {
                return std::nullopt;
            }
        } else if ((marker >= kApp0 && marker <= kApp15) || marker == kCom) {
            if (marker == kApp14) {
                ReadAdobe(body, walk);
            }
            keep = false;
        } else if (marker == kSos) {
            if (!ReadScanHeader(body, walk) || walk.adobeRgb) {
                return std::nullopt;
            }
            const auto end = EndOfScan(jpeg, at);
            if (!end) {
                return std::nullopt;
            }
            // After the one scan only the end of the image may follow (fill bytes allowed).
            std::size_t eoiAt = *end + 1;
            while (eoiAt < jpeg.size() && jpeg[eoiAt] == 0xFF) {
                ++eoiAt;
            }
            if (eoiAt >= jpeg.size() || jpeg[eoiAt] != kEoi) {
                return std::nullopt;
            }
            Append(frame, segment);
            Append(frame, jpeg.subspan(at, *end - at));
            frame.push_back(0xFF);
            frame.push_back(kEoi);
            return walk.size;
        } else {
            // Progressive, lossless, hierarchical or arithmetic-coded frames, arithmetic
            // conditioning, a height defined later, reserved markers.
            return std::nullopt;
        }
        if (keep) {
            Append(frame, segment);
        }
    }
}

}  // namespace chronoreel
