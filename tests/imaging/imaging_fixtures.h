#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "imaging/dib.h"
#include "imaging/jpeg_decoder.h"
#include "os/read_file.h"

namespace chronoreel::testing {

// Bytes of a file under tests/data/jpeg ("" for an empty or missing file).
inline std::vector<std::uint8_t> JpegBytes(const std::string& name) {
    return ReadWholeFile(std::string(CHRONOREEL_TEST_DATA) + "/jpeg/" + name, kMaxJpegFileBytes)
        .value_or(std::vector<std::uint8_t>{});
}

// Reads the header and decodes into a surface of the image's size, as the run does; nullopt
// when either step fails.
inline std::optional<DIB> DecodeToSurface(JpegDecoder& decoder,
                                          const std::vector<std::uint8_t>& bytes) {
    const auto header = decoder.ReadHeader(bytes);
    if (!header) {
        return std::nullopt;
    }
    DIB surface;
    surface.SetWidthHeight(header->width, header->height);
    if (!decoder.Decode(bytes, *header, surface)) {
        return std::nullopt;
    }
    return surface;
}

inline double Luma(Bgr p) {
    return 0.299 * p.red + 0.587 * p.green + 0.114 * p.blue;
}

// Mean absolute difference per colour byte of two surfaces of the same size.
inline double MeanColorDifference(const DIB& a, const DIB& b) {
    double sum = 0;
    for (std::int32_t y = 0; y < a.Height(); ++y) {
        for (std::int32_t x = 0; x < a.Width(); ++x) {
            const Bgr p = a.Pixel(x, y);
            const Bgr q = b.Pixel(x, y);
            sum +=
                std::abs(p.blue - q.blue) + std::abs(p.green - q.green) + std::abs(p.red - q.red);
        }
    }
    return sum / (3.0 * a.Width() * a.Height());
}

// Mean absolute difference of each colour of two surfaces of the same size: blue, green, red.
inline std::array<double, 3> MeanChannelDifferences(const DIB& a, const DIB& b) {
    std::array<double, 3> sums{};
    for (std::int32_t y = 0; y < a.Height(); ++y) {
        const std::uint8_t* p = a.PictureRow(y);
        const std::uint8_t* q = b.PictureRow(y);
        for (std::int32_t i = 0; i < a.Width() * 3; ++i) {
            sums[static_cast<std::size_t>(i % 3)] += std::abs(p[i] - q[i]);
        }
    }
    for (double& sum : sums) {
        sum /= 1.0 * a.Width() * a.Height();
    }
    return sums;
}

// Mean absolute difference of the brightness of two surfaces of the same size.
inline double MeanLumaDifference(const DIB& a, const DIB& b) {
    double sum = 0;
    for (std::int32_t y = 0; y < a.Height(); ++y) {
        for (std::int32_t x = 0; x < a.Width(); ++x) {
            sum += std::abs(Luma(a.Pixel(x, y)) - Luma(b.Pixel(x, y)));
        }
    }
    return sum / (1.0 * a.Width() * a.Height());
}

}  // namespace chronoreel::testing
