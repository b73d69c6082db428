#pragma once

// JPEG files made and read by the tests themselves with TurboJPEG, independently of the
// program's own decoder.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace chronoreel::testing {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// A picture held top row first, 3 bytes per pixel (red, green, blue), rows not padded.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes;

    RgbPicture(int w, int h);
    void Set(int x, int yFromTop, Rgb colour);
};

// A picture in four coloured quarters: red top left, green top right, blue bottom left,
// white bottom right. Upside down or mirrored it reads differently.
RgbPicture QuadrantPicture(int width, int height);

// A picture of random pixels: costly to compress, so its movie frames are large.
RgbPicture NoisePicture(int width, int height, unsigned seed);

enum class JpegCoding { kBaseline, kProgressive };

enum class JpegChroma { k444, k422, k420 };

// The picture as a JPEG file's bytes at the given quality (1..100), chroma as asked (full
// resolution by default).
std::string EncodeJpeg(const RgbPicture& picture, int quality,
                       JpegCoding coding = JpegCoding::kBaseline,
                       JpegChroma chroma = JpegChroma::k444);

// A picture decoded from JPEG bytes.
struct DecodedJpeg {
    int width = 0;
    int height = 0;
    std::string bgrBottomUp;  // blue-green-red, bottom row first, rows not padded
};
std::optional<DecodedJpeg> DecodeJpeg(const std::string& jpeg);

}  // namespace chronoreel::testing
