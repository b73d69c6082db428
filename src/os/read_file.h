#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace chronoreel {

// Reads a whole file into a buffer of its size, for decoding from memory. nullopt when the file
// cannot be opened or read, is not a regular file (a pipe would block the run for ever), is
// empty, larger than maxBytes, or too large for the memory left. A file that shrinks while it is
// read (a camera rewriting it) gives the bytes that were there; the decoder judges them.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path,
                                                       std::size_t maxBytes);

}  // namespace chronoreel
