#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace chronoreel {

// A four-character code as stored in setup files: the four bytes taken as a little-endian
// signed 32-bit integer ("DIB " is 541215044).
constexpr std::int32_t MakeFourcc(const char (&text)[5]) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) |
        static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 8 |
        static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 16 |
        static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])) << 24);
}

inline constexpr std::int32_t kFourccDib = MakeFourcc("DIB ");

// Option flags of the stored compression record, with the values setup files written on other
// systems use: 1 interleave, 2 data rate, 4 key frames, 8 valid.
inline constexpr std::int32_t kCompressDataRate = 2;   // aim at bytesPerSecond
inline constexpr std::int32_t kCompressKeyFrames = 4;  // key frame every keyFrameEvery frames
inline constexpr std::int32_t kCompressValid = 8;

// Stored quality scale: 0 (smallest file) to 10000 (best picture); -1 asks for the
// encoder's own default.
inline constexpr std::int32_t kQualityBest = 10000;
inline constexpr std::int32_t kQualityDefault = -1;

// How a movie is encoded: the frame rate and the stored compression choice.
struct VideoSettings {
    int framesPerSecond = 24;
    std::int32_t handler = kFourccDib;  // compressor code; 0 also means uncompressed
    std::int32_t quality = kQualityDefault;
    std::int32_t keyFrameEvery = 0;
    std::int32_t bytesPerSecond = 0;
    std::int32_t flags = kCompressValid;
    // Extra encoder options, "key=value:key=value" (a value may be quoted with '...' or use
    // backslash escapes to hold ':' itself).
    std::string extraOptions;
};

// The code as text for messages: "MJPG", or the number when it is not printable.
std::string FourccText(std::int32_t code);

// The extra options text held in the stored parameter bytes: the bytes up to the first zero.
// Bytes that are not printable text (a compressor's binary state saved by another system)
// hold no options for us and give "".
std::string ExtraOptionsFromParms(std::span<const std::uint8_t> parms);

}  // namespace chronoreel
