#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "os/unique_fd.h"

namespace chronoreel {

// How a large file is written.
enum class FileCaching {
    kPageCache,    // ordinary writes, through the kernel's page cache
    kBypassCache,  // direct writes (O_DIRECT) where the file system takes them
};

// Writes a file mostly front to back, with seeks back to patch bytes already written (the way a
// muxer fills in its headers at the end).
//
// With kBypassCache the bytes are gathered in an aligned staging buffer and each full buffer
// goes to the disk in one direct write, without a copy into the page cache; so neither the
// writing nor the flush before the file is published has to push the data through it. Direct
// writes need aligned offsets, lengths and memory: only whole blocks of the staging buffer are
// written that way. Bytes before the buffer (patches) and the unaligned tail that Flush leaves
// go through ordinary writes of the same file; the buffer keeps that tail, so the block holding
// it is written again whole, directly, once it fills (the kernel writes back and drops cached
// pages of a range before a direct write to it, so the file stays coherent). Where the file
// system refuses direct writes (at open or at the first write), every write is an ordinary one.
//
// With kPageCache, and after such a refusal, every Write is one positioned write of the bytes
// given, without staging.
class DirectFileWriter {
  public:
    static constexpr std::size_t kBlockBytes = 4096;  // alignment of direct writes
    static constexpr std::size_t kDefaultStagingBytes = std::size_t{4} << 20;

    // Writes into descriptor, which must be open for writing and stay open while the writer
    // lives; the writer never changes its file offset. Writing starts at offset 0.
    // stagingBytes is rounded up to whole blocks.
    DirectFileWriter(int descriptor, FileCaching caching,
                     std::size_t stagingBytes = kDefaultStagingBytes);
    DirectFileWriter(const DirectFileWriter&) = delete;
    DirectFileWriter& operator=(const DirectFileWriter&) = delete;

    // Writes size bytes at the current position and moves past them. 0, or the errno of the
    // write that failed (then some of the bytes may be in the file).
    [[nodiscard]] int Write(const std::uint8_t* bytes, std::size_t size);

    // Moves the position; a later write beyond the end leaves zeros between.
    void Seek(std::int64_t offset) { position_ = offset; }
    std::int64_t Position() const { return position_; }
    // The file's size once everything written so far is in it.
    std::int64_t Size() const { return size_; }

    // Puts every byte written so far into the file (not necessarily on the disk: that takes
    // fsync). 0, or the errno of the write that failed. Staged bytes not flushed when the
    // writer goes are lost: a file that is not finished is discarded anyway.
    [[nodiscard]] int Flush();

    // Whether the staged blocks still go out as direct writes.
    bool WritesDirectly() const { return directFd_.Valid(); }

  private:
    struct FreeBytes {
        void operator()(std::uint8_t* bytes) const { std::free(bytes); }
    };

    int WriteWindowBlocks(std::size_t bytes);
    int DirectWrite(const std::uint8_t* bytes, std::size_t size, std::int64_t offset);
    int MoveWindow(std::int64_t offset);
    void StopDirectWrites() { directFd_.Reset(); }

    int fd_;
    UniqueFd directFd_;  // the same file opened for direct writes; none when refused
    std::unique_ptr<std::uint8_t, FreeBytes> staging_;
    std::size_t stagingBytes_ = 0;
    std::int64_t windowStart_ = 0;  // block-aligned file offset of staging_[0]
    std::size_t filled_ = 0;        // staging_ holds the file's bytes up to windowStart_ + filled_
    std::int64_t position_ = 0;
    std::int64_t size_ = 0;
};

}  // namespace chronoreel
