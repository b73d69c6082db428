#include "imaging/dib.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "base/app_error.h"
#include "base/error_report.h"
#include "imaging/ijl.h"

namespace chronoreel {
namespace {

constexpr std::int32_t kBytesPerPixel = 3;

// The surface's image size (width × height × 3) must fit 32 bits, as the bitmap header that
// describes it to the video writer holds it in a 32-bit field.
void CheckImageSize(std::int32_t width, std::int32_t height) {
    const std::int64_t imageBytes = std::int64_t{width} * height * kBytesPerPixel;
    if (imageBytes > std::numeric_limits<std::int32_t>::max() ||
        imageBytes < std::numeric_limits<std::int32_t>::min()) {
        throw AppError(kErrOverflow, "Overflow");
    }
}

}  // namespace

void DIB::SetWidth(std::int32_t width) {
    Trap("DIB", "Width_Let", [&] {
        if (width == width_) {
            return;
        }
        if (height_ == 0) {
            width_ = width;
            return;
        }
        CheckImageSize(width, height_);
        DestroyDIB();
        width_ = width;
        CreateDIB();
    });
}

void DIB::SetHeight(std::int32_t height) {
    Trap("DIB", "Height_Let", [&] {
        if (height == height_) {
            return;
        }
        if (width_ == 0) {
            height_ = height;
            return;
        }
        CheckImageSize(width_, height);
        DestroyDIB();
        height_ = height;
        CreateDIB();
    });
}

void DIB::SetWidthHeight(std::int32_t width, std::int32_t height) {
    Trap("DIB", "SetWidthHeight", [&] {
        if (width == width_ && height == height_) {
            return;
        }
        CheckImageSize(width, height);
        DestroyDIB();
        width_ = width;
        height_ = height;
        CreateDIB();
    });
}

std::int32_t DibStrideBytes(std::int32_t width) {
    return width * kBytesPerPixel + IJL_DIB_PAD_BYTES(width, kBytesPerPixel);
}

void DIB::CreateDIB() {
    if (width_ <= 0 || height_ <= 0) {
        return;
    }
    const std::int32_t stride = DibStrideBytes(width_);
    try {
        pixels_.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height_));
        strideBytes_ = stride;
    } catch (const std::bad_alloc&) {
        // No memory for this size: the surface stays without pixels, which every user skips.
        DestroyDIB();
    }
}

void DIB::DestroyDIB() {
    std::vector<std::uint8_t>().swap(pixels_);
    strideBytes_ = 0;
}

std::uint8_t* DIB::PictureRow(std::int32_t y) {
    CheckPosition(0, y);
    return pixels_.data() + static_cast<std::size_t>(height_ - 1 - y) * strideBytes_;
}

const std::uint8_t* DIB::PictureRow(std::int32_t y) const {
    CheckPosition(0, y);
    return pixels_.data() + static_cast<std::size_t>(height_ - 1 - y) * strideBytes_;
}

Bgr DIB::Pixel(std::int32_t x, std::int32_t y) const {
    CheckPosition(x, y);
    const std::uint8_t* pixel = PictureRow(y) + static_cast<std::size_t>(x) * kBytesPerPixel;
    return {pixel[0], pixel[1], pixel[2]};
}

void DIB::SetPixel(std::int32_t x, std::int32_t y, Bgr color) {
    CheckPosition(x, y);
    std::uint8_t* pixel = PictureRow(y) + static_cast<std::size_t>(x) * kBytesPerPixel;
    pixel[0] = color.blue;
    pixel[1] = color.green;
    pixel[2] = color.red;
}

void DIB::Fill(Bgr color) {
    if (!HasSurface()) {
        return;
    }
    // Build one row, then copy it to the others.
    std::uint8_t* first = pixels_.data();
    for (std::int32_t x = 0; x < width_; ++x) {
        first[x * kBytesPerPixel + 0] = color.blue;
        first[x * kBytesPerPixel + 1] = color.green;
        first[x * kBytesPerPixel + 2] = color.red;
    }
    for (std::int32_t row = 1; row < height_; ++row) {
        std::memcpy(first + static_cast<std::size_t>(row) * strideBytes_, first,
                    static_cast<std::size_t>(width_) * kBytesPerPixel);
    }
}

void DIB::CheckPosition(std::int32_t x, std::int32_t y) const {
    if (!HasSurface() || x < 0 || x >= width_ || y < 0 || y >= height_) {
        throw AppError(kErrSubscriptOutOfRange, "Subscript out of range");
    }
}

}  // namespace chronoreel
