#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace chronoreel {

// A compressor this build can write, as offered to the user.
struct VideoCompressor {
    std::int32_t code;        // the compressor code stored in a setup
    std::string description;  // "Motion JPEG"
    bool usesQuality;         // the stored quality and data rate mean something to it
};

// The compressors of this build, uncompressed first. H.264 is listed only when the linked
// libavcodec has an H.264 encoder.
std::vector<VideoCompressor> AvailableVideoCompressors();

}  // namespace chronoreel
