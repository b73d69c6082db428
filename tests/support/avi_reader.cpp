#include "support/avi_reader.h"

namespace chronoreel::testing {
namespace {

std::uint32_t U32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

std::uint16_t U16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

class Walker {
  public:
    explicit Walker(AviContents& contents) : contents_(contents) {}

    // Walks the chunks of bytes[begin, end) that sit inside a list of type listType.
    void Walk(std::string_view bytes, std::size_t begin, std::size_t end,
              const std::string& listType) {
        std::size_t at = begin;
        while (contents_.problem.empty() && at + 8 <= end) {
            const std::string id(bytes.substr(at, 4));
            const std::uint32_t size = U32(bytes, at + 4);
            const std::size_t data = at + 8;
            if (data + size > end) {
                contents_.problem = "chunk " + id + " runs past its list";
                return;
            }
            const std::string_view body = bytes.substr(data, size);
            if (id == "RIFF" || id == "LIST") {
                if (size < 4) {
                    contents_.problem = "list without type";
                    return;
                }
                const std::string type(body.substr(0, 4));
                if (id == "RIFF") {
                    contents_.riffTypes.push_back(type);
                }
                Walk(bytes, data + 4, data + size, type);
            } else {
                Chunk(id, body, listType);
            }
            at = data + size + (size & 1);
        }
    }

  private:
    void Chunk(const std::string& id, std::string_view body, const std::string& listType) {
        if (id == "avih" && listType == "hdrl" && body.size() >= 40) {
            contents_.microSecondsPerFrame = U32(body, 0);
            contents_.totalFrames = U32(body, 16);
            contents_.streamCount = U32(body, 24);
            contents_.width = U32(body, 32);
            contents_.height = U32(body, 36);
        } else if (id == "strh" && listType == "strl" && body.size() >= 56) {
            AviStream stream;
            stream.type = std::string(body.substr(0, 4));
            stream.handler = std::string(body.substr(4, 4));
            stream.flags = U32(body, 8);
            stream.scale = U32(body, 20);
            stream.rate = U32(body, 24);
            stream.length = U32(body, 32);
            stream.suggestedBufferSize = U32(body, 36);
            stream.frameLeft = static_cast<std::int16_t>(U16(body, 48));
            stream.frameTop = static_cast<std::int16_t>(U16(body, 50));
            stream.frameRight = static_cast<std::int16_t>(U16(body, 52));
            stream.frameBottom = static_cast<std::int16_t>(U16(body, 54));
            contents_.streams.push_back(stream);
        } else if (id == "strf" && listType == "strl" && !contents_.streams.empty()) {
            contents_.streams.back().format = std::string(body);
        } else if (listType == "movi" && (id.ends_with("db") || id.ends_with("dc"))) {
            contents_.frames.push_back(body);
        } else if (id == "idx1") {
            for (std::size_t at = 0; at + 16 <= body.size(); at += 16) {
                contents_.index.push_back(
                    {std::string(body.substr(at, 4)), U32(body, at + 4), U32(body, at + 12)});
            }
        }
    }

    AviContents& contents_;
};

}  // namespace

AviContents ReadAvi(const std::string& bytes) {
    AviContents contents;
    Walker(contents).Walk(bytes, 0, bytes.size(), "");
    if (contents.problem.empty() &&
        (contents.riffTypes.empty() || contents.riffTypes.front() != "AVI ")) {
        contents.problem = "not a RIFF AVI file";
    }
    return contents;
}

BitmapHeader ReadBitmapHeader(const std::string& format) {
    BitmapHeader header;
    if (format.size() < 40) {
        return header;
    }
    header.size = U32(format, 0);
    header.width = static_cast<std::int32_t>(U32(format, 4));
    header.height = static_cast<std::int32_t>(U32(format, 8));
    header.planes = U16(format, 12);
    header.bitCount = U16(format, 14);
    header.compression = format.substr(16, 4);
    header.compressionCode = U32(format, 16);
    header.sizeImage = U32(format, 20);
    return header;
}

}  // namespace chronoreel::testing
