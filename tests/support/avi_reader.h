#pragma once

// A small independent AVI reader for tests: walks the RIFF chunks and collects the header
// fields, the stream headers and formats, the frame chunks and the legacy index.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace chronoreel::testing {

struct AviStream {
    std::string type;     // strh fccType, "vids"
    std::string handler;  // strh fccHandler as 4 characters
    std::uint32_t flags = 0;
    std::uint32_t scale = 0;
    std::uint32_t rate = 0;
    std::uint32_t length = 0;
    std::uint32_t suggestedBufferSize = 0;
    std::int16_t frameLeft = 0, frameTop = 0, frameRight = 0, frameBottom = 0;
    std::string format;  // the strf bytes
};

// BITMAPINFOHEADER fields of a video format.
struct BitmapHeader {
    std::uint32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::string compression;  // 4 characters; "\0\0\0\0" for BI_RGB
    std::uint32_t compressionCode = 0;
    std::uint32_t sizeImage = 0;
};

struct AviIndexEntry {
    std::string id;
    std::uint32_t flags = 0;
    std::uint32_t size = 0;
};

struct AviContents {
    std::string problem;                 // empty when the file could be walked from end to end
    std::vector<std::string> riffTypes;  // "AVI ", then "AVIX" for each OpenDML extension
    std::uint32_t microSecondsPerFrame = 0;
    std::uint32_t totalFrames = 0;
    std::uint32_t streamCount = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<AviStream> streams;
    std::vector<std::string_view> frames;  // data of the "##db"/"##dc" chunks, in file order
    std::vector<AviIndexEntry> index;      // idx1 entries
};

// Reads the bytes of a whole AVI file; frames point into bytes.
AviContents ReadAvi(const std::string& bytes);

BitmapHeader ReadBitmapHeader(const std::string& format);

}  // namespace chronoreel::testing
