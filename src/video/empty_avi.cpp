#include "video/empty_avi.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace chronoreel {
namespace {

constexpr std::uint32_t kAviHasIndex = 0x10;
constexpr std::uint32_t kMainHeaderBytes = 56;

class RiffBytes {
  public:
    void Tag(const char (&tag)[5]) { bytes_.insert(bytes_.end(), tag, tag + 4); }
    void U32(std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace

bool WriteAviWithoutStreams(int descriptor, int framesPerSecond, std::string& error) {
    const std::uint32_t headerListBytes = 4 + 8 + kMainHeaderBytes;
    const std::uint32_t movieListBytes = 4;
    const std::uint32_t indexBytes = 0;
    const std::uint32_t riffBytes =
        4 + (8 + headerListBytes) + (8 + movieListBytes) + (8 + indexBytes);

    RiffBytes riff;
    riff.Tag("RIFF");
    riff.U32(riffBytes);
    riff.Tag("AVI ");
    riff.Tag("LIST");
    riff.U32(headerListBytes);
    riff.Tag("hdrl");
    riff.Tag("avih");
    riff.U32(kMainHeaderBytes);
    riff.U32(static_cast<std::uint32_t>(1000000 / std::max(framesPerSecond, 1)));  // µs per frame
    riff.U32(0);             // max bytes per second
    riff.U32(0);             // padding granularity
    riff.U32(kAviHasIndex);  // flags
    riff.U32(0);             // total frames
    riff.U32(0);             // initial frames
    riff.U32(0);             // streams
    riff.U32(0);             // suggested buffer size
    riff.U32(0);             // width
    riff.U32(0);             // height
    for (int reserved = 0; reserved < 4; ++reserved) {
        riff.U32(0);
    }
    riff.Tag("LIST");
    riff.U32(movieListBytes);
    riff.Tag("movi");
    riff.Tag("idx1");
    riff.U32(indexBytes);

    const std::vector<std::uint8_t>& bytes = riff.Bytes();
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t result = write(descriptor, bytes.data() + written, bytes.size() - written);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            error = std::string("cannot write the movie file: ") + std::strerror(errno);
            return false;
        }
        written += static_cast<std::size_t>(result);
    }
    return true;
}

}  // namespace chronoreel
