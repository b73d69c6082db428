#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "imaging/dib.h"
#include "imaging/yuv_planes.h"

namespace chronoreel {

// Largest side, in pixels, of an image the run decodes. A header claiming more is treated as
// unreadable before anything is allocated for it.
inline constexpr std::int32_t kMaxJpegSidePixels = 16384;
// Largest still image file read into memory: far above any camera's JPEG; a bigger file is no
// still image the run could use, and reading it whole could exhaust the memory.
inline constexpr std::size_t kMaxJpegFileBytes = std::size_t{256} * 1024 * 1024;

enum class JpegColorspace { kRgb, kYCbCr, kGray, kCmyk, kYcck };
enum class JpegSubsampling { k444, k422, k420, kGray, k440, k411 };

// What the header of a readable JPEG says.
struct JpegHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    JpegSubsampling subsampling = JpegSubsampling::k444;
    JpegColorspace colorspace = JpegColorspace::kYCbCr;
};

// A factor the decoder shrinks an image by while it decodes: numerator / denominator.
struct JpegScale {
    int numerator = 1;
    int denominator = 1;
    friend bool operator==(const JpegScale&, const JpegScale&) = default;
};

inline constexpr JpegScale kJpegFullScale{1, 1};

// One side of an image decoded at scale, rounded up as the decoder rounds it (1203 at 1/2 gives
// 602).
std::int32_t ScaledSide(std::int32_t side, JpegScale scale);

// True when the decoder library can decode at scale.
bool DecoderOffersScale(JpegScale scale);

// Decodes JPEG data held in memory into a drawing surface, in two steps so that the caller can
// pick the surface from the image size: ReadHeader, then Decode into a surface of exactly that
// size (an image of the movie size goes straight into the movie surface, with no copy).
// One decoder is made per run and reused for every frame. Failures are expected (a file being
// written, a broken or foreign file) and are answered in place: nothing is reported.
class JpegDecoder {
  public:
    // Throws AppError when the decoder cannot be set up (out of memory).
    JpegDecoder();
    ~JpegDecoder();
    JpegDecoder(JpegDecoder&&) noexcept;
    JpegDecoder& operator=(JpegDecoder&&) noexcept;

    // The image's size and kind, or nullopt when the data is no JPEG this decoder can read (also
    // 12-bit samples), or its size is 0 or above kMaxJpegSidePixels on a side.
    std::optional<JpegHeader> ReadHeader(std::span<const std::uint8_t> jpeg);

    // Decodes the whole image into target, bottom row first, grey and CMYK/YCCK converted to
    // blue-green-red, shrunk by scale on the way (the library then works on fewer pixels and
    // averages each block instead of reconstructing it in full). target must have the header's
    // size at that scale (ScaledSide of each side). false when the scale is not offered, the
    // target has no pixels or another size, or the data fails to decode, ends early (a file still
    // being written) or is corrupt; the target may then hold part of the image. Stray bytes
    // between markers, which some cameras write, do not fail a decode that gave every pixel.
    bool Decode(std::span<const std::uint8_t> jpeg, const JpegHeader& header, DIB& target,
                JpegScale scale = kJpegFullScale);

    // True when DecodeYuv420 takes the image: YCbCr with chroma halved both ways.
    static bool IsYuv420(const JpegHeader& header);

    // Decodes the whole image at full size into its Y, Cb and Cr planes as stored, without
    // turning them into pixels: no colour conversion and no chroma upsampling. target's
    // buffers are reused (grown, never shrunk). false when the image is not IsYuv420, the data
    // fails to decode or is cut short (as for Decode), or the memory runs out.
    bool DecodeYuv420(std::span<const std::uint8_t> jpeg, const JpegHeader& header,
                      Yuv420Planes& target);

  private:
    struct HandleDeleter {
        void operator()(void* handle) const noexcept;
    };
    using Handle = std::unique_ptr<void, HandleDeleter>;

    static Handle NewHandle();
    bool Succeeded(int status);
    bool DecodeBgr(std::span<const std::uint8_t> jpeg, DIB& target);
    bool DecodeCmyk(std::span<const std::uint8_t> jpeg, DIB& target);

    Handle handle_;
    // CMYK pixels of the last CMYK or YCCK image, kept so that a run of such images does not
    // allocate for every frame.
    std::vector<std::uint8_t> cmyk_;
};

}  // namespace chronoreel
