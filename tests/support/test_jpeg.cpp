#include "support/test_jpeg.h"

#include <turbojpeg.h>

#include <memory>
#include <random>

namespace chronoreel::testing {
namespace {

struct HandleDeleter {
    void operator()(void* handle) const noexcept { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleDeleter>;

struct BufferDeleter {
    void operator()(unsigned char* buffer) const noexcept { tjFree(buffer); }
};

}  // namespace

RgbPicture::RgbPicture(int w, int h)
    : width(w), height(h), bytes(static_cast<std::size_t>(w) * h * 3, 0) {}

void RgbPicture::Set(int x, int yFromTop, Rgb colour) {
    std::uint8_t* pixel = bytes.data() + (static_cast<std::size_t>(yFromTop) * width + x) * 3;
    pixel[0] = colour.red;
    pixel[1] = colour.green;
    pixel[2] = colour.blue;
}

RgbPicture QuadrantPicture(int width, int height) {
    RgbPicture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            const Rgb colour = !bottom ? (right ? Rgb{0, 255, 0} : Rgb{255, 0, 0})
                                       : (right ? Rgb{255, 255, 255} : Rgb{0, 0, 255});
            picture.Set(x, y, colour);
        }
    }
    return picture;
}

RgbPicture NoisePicture(int width, int height, unsigned seed) {
    RgbPicture picture(width, height);
    std::mt19937 random(seed);
    for (std::uint8_t& byte : picture.bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return picture;
}

std::string EncodeJpeg(const RgbPicture& picture, int quality, JpegCoding coding,
                       JpegChroma chroma) {
    const int sampling = chroma == JpegChroma::k420   ? TJSAMP_420
                         : chroma == JpegChroma::k422 ? TJSAMP_422
                                                      : TJSAMP_444;
    const int flags = coding == JpegCoding::kProgressive ? TJFLAG_PROGRESSIVE : 0;
    const Handle handle(tjInitCompress());
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (!handle || tjCompress2(handle.get(), picture.bytes.data(), picture.width, 0, picture.height,
                               TJPF_RGB, &out, &size, sampling, quality, flags) != 0) {
        tjFree(out);
        return {};
    }
    const std::unique_ptr<unsigned char, BufferDeleter> owned(out);
    return std::string(reinterpret_cast<const char*>(out), size);
}

std::optional<DecodedJpeg> DecodeJpeg(const std::string& jpeg) {
    const Handle handle(tjInitDecompress());
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    if (!handle || tjDecompressHeader3(handle.get(), data, jpeg.size(), &width, &height,
                                       &subsampling, &colorspace) != 0) {
        return std::nullopt;
    }
    DecodedJpeg decoded{width, height,
                        std::string(static_cast<std::size_t>(width) * height * 3, '\0')};
    if (tjDecompress2(handle.get(), data, jpeg.size(),
                      reinterpret_cast<unsigned char*>(decoded.bgrBottomUp.data()), width, 0,
                      height, TJPF_BGR, TJFLAG_BOTTOMUP) != 0) {
        return std::nullopt;
    }
    return decoded;
}

}  // namespace chronoreel::testing
