#include "os/direct_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

namespace chronoreel {
namespace {

constexpr std::int64_t kBlock = static_cast<std::int64_t>(DirectFileWriter::kBlockBytes);

std::int64_t AlignDown(std::int64_t offset) {
    return offset / kBlock * kBlock;
}

std::size_t RoundUp(std::size_t bytes) {
    return (bytes + DirectFileWriter::kBlockBytes - 1) / DirectFileWriter::kBlockBytes *
           DirectFileWriter::kBlockBytes;
}

// An ordinary positioned write of all the bytes; 0 or errno.
int WriteAllAt(int fd, const std::uint8_t* bytes, std::size_t size, std::int64_t offset) {
    while (size > 0) {
        const ssize_t put = ::pwrite(fd, bytes, size, offset);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0) {
            return errno;
        }
        if (put == 0) {
            return ENOSPC;  // nothing written and no reason given: the disk took no more
        }
        bytes += put;
        size -= static_cast<std::size_t>(put);
        offset += put;
    }
    return 0;
}

}  // namespace

DirectFileWriter::DirectFileWriter(int descriptor, FileCaching caching, std::size_t stagingBytes)
    : fd_(descriptor) {
    struct stat status {};
    if (::fstat(fd_, &status) == 0) {
        size_ = status.st_size;
    }
    if (caching == FileCaching::kPageCache) {
        return;
    }
    stagingBytes_ = std::max(RoundUp(stagingBytes), kBlockBytes);
    void* memory = nullptr;
    if (::posix_memalign(&memory, kBlockBytes, stagingBytes_) != 0) {
        throw std::bad_alloc();
    }
    staging_.reset(static_cast<std::uint8_t*>(memory));
    // The direct flag belongs to an open file, so the file is opened a second time for it: the
    // caller's descriptor stays an ordinary one, used for patches and the tail. A file system
    // that refuses direct writes refuses this open (EINVAL), and all writes are ordinary ones.
    const std::string path = "/proc/self/fd/" + std::to_string(fd_);
    directFd_.Reset(::open(path.c_str(), O_WRONLY | O_DIRECT | O_CLOEXEC));
    if (!directFd_.Valid()) {
        staging_.reset();
        return;
    }
    // Bytes already in the file stay where they are; staged blocks start after them.
    windowStart_ = static_cast<std::int64_t>(RoundUp(static_cast<std::size_t>(size_)));
}

int DirectFileWriter::Write(const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        if (!WritesDirectly()) {
            const int error = WriteAllAt(fd_, bytes, size, position_);
            if (error == 0) {
                position_ += static_cast<std::int64_t>(size);
                size_ = std::max(size_, position_);
            }
            return error;
        }
        std::size_t taken = 0;
        int error = 0;
        if (position_ < windowStart_) {
            // A patch of bytes that already went out: an ordinary write.
            taken = static_cast<std::size_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(size), windowStart_ - position_));
            error = WriteAllAt(fd_, bytes, taken, position_);
        } else if (position_ > windowStart_ + static_cast<std::int64_t>(filled_) ||
                   position_ >= windowStart_ + static_cast<std::int64_t>(stagingBytes_)) {
            error = MoveWindow(position_);
        } else {
            const auto offset = static_cast<std::size_t>(position_ - windowStart_);
            taken = std::min(size, stagingBytes_ - offset);
            std::memcpy(staging_.get() + offset, bytes, taken);
            filled_ = std::max(filled_, offset + taken);
            if (filled_ == stagingBytes_) {
                error = WriteWindowBlocks(stagingBytes_);
            }
        }
        if (error != 0) {
            return error;
        }
        bytes += taken;
        size -= taken;
        position_ += static_cast<std::int64_t>(taken);
        size_ = std::max(size_, position_);
    }
    return 0;
}

int DirectFileWriter::Flush() {
    if (!WritesDirectly() || filled_ == 0) {
        return 0;
    }
    const std::size_t whole = filled_ / kBlockBytes * kBlockBytes;
    if (whole > 0) {
        const int error = WriteWindowBlocks(whole);
        if (error != 0 || !WritesDirectly()) {
            return error;
        }
    }
    // The tail, shorter than a block, cannot go out directly. It stays staged too, so that the
    // whole block is written directly once it fills.
    return WriteAllAt(fd_, staging_.get(), filled_, windowStart_);
}

// Writes the first bytes of the staging buffer (whole blocks; past filled_ they must have been
// zeroed) at windowStart_ and moves the window past them. When direct writes were refused on
// the way, the rest of the staged bytes goes out too, as ordinary writes, and nothing stays
// staged.
int DirectFileWriter::WriteWindowBlocks(std::size_t bytes) {
    int error = DirectWrite(staging_.get(), bytes, windowStart_);
    if (error != 0) {
        return error;
    }
    if (!WritesDirectly()) {
        if (filled_ > bytes) {
            error = WriteAllAt(fd_, staging_.get() + bytes, filled_ - bytes,
                               windowStart_ + static_cast<std::int64_t>(bytes));
        }
        filled_ = 0;
        return error;
    }
    const std::size_t kept = filled_ > bytes ? filled_ - bytes : 0;
    std::memmove(staging_.get(), staging_.get() + bytes, kept);
    windowStart_ += static_cast<std::int64_t>(bytes);
    filled_ = kept;
    return 0;
}

int DirectFileWriter::DirectWrite(const std::uint8_t* bytes, std::size_t size,
                                  std::int64_t offset) {
    while (size > 0) {
        const ssize_t put = ::pwrite(directFd_.Get(), bytes, size, offset);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put > 0) {
            bytes += put;
            size -= static_cast<std::size_t>(put);
            offset += put;
            continue;
        }
        if (put < 0 && errno != EINVAL) {
            return errno;
        }
        // EINVAL: the file system takes no direct writes after all, or not of this alignment;
        // a write cut short by the file-size limit also ends so. An ordinary write of the rest
        // either succeeds or says what is really wrong, and from here on all writes are
        // ordinary ones.
        StopDirectWrites();
        return WriteAllAt(fd_, bytes, size, offset);
    }
    return 0;
}

// Starts the staging window at the block holding offset, for a write there that is not next to
// the staged bytes. Everything at or after windowStart_ is staged and the file ends before
// offset, so the staged blocks before the new window go out padded with zeros (the file grows
// past them with the write that follows), and the new window holds zeros up to offset.
int DirectFileWriter::MoveWindow(std::int64_t offset) {
    const std::int64_t newStart = AlignDown(offset);
    if (newStart > windowStart_) {
        const std::int64_t before = newStart - windowStart_;
        const auto blocks =
            static_cast<std::size_t>(std::min(static_cast<std::int64_t>(RoundUp(filled_)), before));
        if (blocks > 0) {
            std::memset(staging_.get() + filled_, 0, blocks - std::min(blocks, filled_));
            const int error = WriteWindowBlocks(blocks);
            if (error != 0 || !WritesDirectly()) {
                return error;
            }
        }
        if (filled_ == 0) {
            windowStart_ = newStart;
        }
    }
    const auto head = static_cast<std::size_t>(offset - windowStart_);
    std::memset(staging_.get() + filled_, 0, head - filled_);
    filled_ = head;
    return 0;
}

}  // namespace chronoreel
