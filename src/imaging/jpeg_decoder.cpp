#include "imaging/jpeg_decoder.h"

#include <turbojpeg.h>

#include <array>
#include <new>
#include <string_view>
#include <vector>

#include "base/app_error.h"

namespace chronoreel {
namespace {

// Bottom row first, as the surfaces store it; and a cap on the scans of a progressive JPEG, so
// that a hostile file with thousands of scans cannot keep the run busy for minutes.
constexpr int kDecodeFlags = TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS;

std::optional<JpegSubsampling> ToSubsampling(int value) {
    switch (value) {
        case TJSAMP_444:
            return JpegSubsampling::k444;
        case TJSAMP_422:
            return JpegSubsampling::k422;
        case TJSAMP_420:
            return JpegSubsampling::k420;
        case TJSAMP_GRAY:
            return JpegSubsampling::kGray;
        case TJSAMP_440:
            return JpegSubsampling::k440;
        case TJSAMP_411:
            return JpegSubsampling::k411;
        default:
            return std::nullopt;
    }
}

std::optional<JpegColorspace> ToColorspace(int value) {
    switch (value) {
        case TJCS_RGB:
            return JpegColorspace::kRgb;
        case TJCS_YCbCr:
            return JpegColorspace::kYCbCr;
        case TJCS_GRAY:
            return JpegColorspace::kGray;
        case TJCS_CMYK:
            return JpegColorspace::kCmyk;
        case TJCS_YCCK:
            return JpegColorspace::kYcck;
        default:
            return std::nullopt;
    }
}

// A warning after which every pixel was still decoded as stored: stray bytes between two
// markers (some cameras pad their files). Other warnings mean missing or damaged image data —
// above all "Premature end of JPEG file" from a file the camera is still writing — and fail the
// decode, so that no half-grey frame reaches the movie. The library keeps the text of the first
// warning, or of the fatal error when one followed, so the text tells both apart (a file with
// stray bytes that is also cut short shows only the stray bytes and passes).
bool IsHarmlessWarning(std::string_view message) {
    return message.find("extraneous bytes before marker") != std::string_view::npos;
}

// Adobe CMYK and YCCK JPEGs store the inks inverted (255 = no ink), as libjpeg-turbo's own tools
// read them: each colour is the stored ink value scaled by the stored black value.
std::uint8_t InkLight(std::uint8_t ink, std::uint8_t key) {
    return static_cast<std::uint8_t>((ink * key + 127) / 255);
}

}  // namespace

std::int32_t ScaledSide(std::int32_t side, JpegScale scale) {
    const tjscalingfactor factor{scale.numerator, scale.denominator};
    return TJSCALED(side, factor);
}

bool DecoderOffersScale(JpegScale scale) {
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    if (factors == nullptr) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (factors[i].num == scale.numerator && factors[i].denom == scale.denominator) {
            return true;
        }
    }
    return false;
}

void JpegDecoder::HandleDeleter::operator()(void* handle) const noexcept {
    tjDestroy(handle);
}

JpegDecoder::Handle JpegDecoder::NewHandle() {
    Handle handle(tjInitDecompress());
    if (!handle) {
        throw AppError(kErrOutOfMemory, "Out of memory");
    }
    return handle;
}

JpegDecoder::JpegDecoder() : handle_(NewHandle()) {}
JpegDecoder::~JpegDecoder() = default;
JpegDecoder::JpegDecoder(JpegDecoder&&) noexcept = default;
JpegDecoder& JpegDecoder::operator=(JpegDecoder&&) noexcept = default;

bool JpegDecoder::Succeeded(int status) {
    if (status == 0) {
        return true;
    }
    const bool harmless = tjGetErrorCode(handle_.get()) == TJERR_WARNING &&
                          IsHarmlessWarning(tjGetErrorStr2(handle_.get()));
    // A failed header read leaves libjpeg-turbo 2.1 in the middle of a header, so that every
    // later file fails with "two SOI markers": start each file after a failure on a fresh handle.
    handle_ = NewHandle();
    return harmless;
}

std::optional<JpegHeader> JpegDecoder::ReadHeader(std::span<const std::uint8_t> jpeg) {
    if (jpeg.empty()) {
        return std::nullopt;
    }
    int width = 0;
    int height = 0;
    int subsampling = -1;
    int colorspace = -1;
    const int status = tjDecompressHeader3(handle_.get(), jpeg.data(), jpeg.size(), &width, &height,
                                           &subsampling, &colorspace);
    if (!Succeeded(status)) {
        return std::nullopt;
    }
    const auto sampling = ToSubsampling(subsampling);
    const auto space = ToColorspace(colorspace);
    if (width <= 0 || height <= 0 || width > kMaxJpegSidePixels || height > kMaxJpegSidePixels ||
        !sampling || !space) {
        return std::nullopt;
    }
    return JpegHeader{width, height, *sampling, *space};
}

bool JpegDecoder::Decode(std::span<const std::uint8_t> jpeg, const JpegHeader& header, DIB& target,
                         JpegScale scale) {
    // The library decodes at the largest of its factors whose result fits the size asked for;
    // the scaled size fits, and no larger factor gives less, so the picture fills the target.
    if (jpeg.empty() || !target.HasSurface() || !DecoderOffersScale(scale) ||
        target.Width() != ScaledSide(header.width, scale) ||
        target.Height() != ScaledSide(header.height, scale)) {
        return false;
    }
    if (header.colorspace == JpegColorspace::kCmyk || header.colorspace == JpegColorspace::kYcck) {
        return DecodeCmyk(jpeg, target);
    }
    return DecodeBgr(jpeg, target);
}

bool JpegDecoder::DecodeBgr(std::span<const std::uint8_t> jpeg, DIB& target) {
    const int status =
        tjDecompress2(handle_.get(), jpeg.data(), jpeg.size(), target.DIBPtr(), target.Width(),
                      target.StrideBytes(), target.Height(), TJPF_BGR, kDecodeFlags);
    return Succeeded(status);
}

bool JpegDecoder::IsYuv420(const JpegHeader& header) {
    return header.colorspace == JpegColorspace::kYCbCr &&
           header.subsampling == JpegSubsampling::k420;
}

bool JpegDecoder::DecodeYuv420(std::span<const std::uint8_t> jpeg, const JpegHeader& header,
                               Yuv420Planes& target) {
    if (jpeg.empty() || !IsYuv420(header)) {
        return false;
    }
    std::array<unsigned char*, 3> planes{};
    for (int plane = 0; plane < 3; ++plane) {
        // The library writes whole sample blocks, so the planes are padded to them.
        const int stride = tjPlaneWidth(plane, header.width, TJSAMP_420);
        const int rows = tjPlaneHeight(plane, header.height, TJSAMP_420);
        if (stride <= 0 || rows <= 0) {
            return false;
        }
        try {
            target.planes[plane].resize(static_cast<std::size_t>(stride) *
                                        static_cast<std::size_t>(rows));
        } catch (const std::bad_alloc&) {
            return false;  // too big for the memory left: skipped like any unreadable image
        }
        target.strides[plane] = stride;
        planes[plane] = target.planes[plane].data();
    }
    target.width = header.width;
    target.height = header.height;
    const int status = tjDecompressToYUVPlanes(handle_.get(), jpeg.data(), jpeg.size(),
                                               planes.data(), header.width, target.strides.data(),
                                               header.height, TJFLAG_LIMITSCANS);
    return Succeeded(status);
}

// libjpeg-turbo 2.1 turns CMYK and YCCK only into CMYK pixels ("Unsupported color conversion
// request" for BGR), so those are decoded into a buffer of their own and converted row by row.
bool JpegDecoder::DecodeCmyk(std::span<const std::uint8_t> jpeg, DIB& target) {
    const std::size_t width = static_cast<std::size_t>(target.Width());
    const std::size_t rowBytes = width * 4;
    try {
        // Never shrinks the capacity: the same or a smaller image reuses the memory.
        cmyk_.resize(rowBytes * static_cast<std::size_t>(target.Height()));
    } catch (const std::bad_alloc&) {
        return false;  // too big for the memory left: skipped like any unreadable image
    }
    const int status =
        tjDecompress2(handle_.get(), jpeg.data(), jpeg.size(), cmyk_.data(), target.Width(),
                      static_cast<int>(rowBytes), target.Height(), TJPF_CMYK, kDecodeFlags);
    if (!Succeeded(status)) {
        return false;
    }
    // Both buffers hold the bottom row first, so memory row i maps onto memory row i.
    for (std::int32_t row = 0; row < target.Height(); ++row) {
        const std::uint8_t* from = cmyk_.data() + static_cast<std::size_t>(row) * rowBytes;
        std::uint8_t* to = target.DIBPtr() + static_cast<std::size_t>(row) * target.StrideBytes();
        for (std::size_t x = 0; x < width; ++x, from += 4, to += 3) {
            to[0] = InkLight(from[2], from[3]);  // blue from yellow
            to[1] = InkLight(from[1], from[3]);  // green from magenta
            to[2] = InkLight(from[0], from[3]);  // red from cyan
        }
    }
    return true;
}

}  // namespace chronoreel
