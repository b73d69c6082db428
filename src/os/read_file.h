#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace chronoreel {

// Why a file could not be read whole.
enum class ReadFailure {
    kNone,
    kCannotOpen,      // missing, or no permission
    kNotRegularFile,  // a folder, a pipe (which would block the run for ever), a device
    kEmpty,
    kTooLarge,  // larger than the limit given
    kNoMemory,  // too large for the memory left
    kReadError,
};

// Reads a whole file into a buffer of its size, for decoding from memory. nullopt when it cannot
// (failure, when given, says why). A file that shrinks while it is read (a camera rewriting it)
// gives the bytes that were there; the decoder judges them.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path,
                                                       std::size_t maxBytes,
                                                       ReadFailure* failure = nullptr);

// The same into a buffer the caller keeps, so that reading many files allocates only when one is
// larger than all before it. kNone when the buffer holds the file.
ReadFailure ReadWholeFileInto(const std::filesystem::path& path, std::size_t maxBytes,
                              std::vector<std::uint8_t>& buffer);

}  // namespace chronoreel
