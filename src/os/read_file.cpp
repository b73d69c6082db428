#include "os/read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "os/unique_fd.h"

namespace chronoreel {
namespace {

// More than the machine's memory and swap together can never be held, so such a file is turned
// down before any allocation is tried: an allocation that large may end a process whose
// allocator does not fail by throwing.
bool CanEverFitInMemory(std::uintmax_t bytes) {
    struct sysinfo info {};
    if (::sysinfo(&info) != 0) {
        return true;  // unknown: the allocation decides
    }
    const std::uintmax_t total = (std::uintmax_t{info.totalram} + info.totalswap) *
                                 std::max<std::uintmax_t>(info.mem_unit, 1);
    return bytes <= total;
}

}  // namespace

ReadFailure ReadWholeFileInto(const std::filesystem::path& path, std::size_t maxBytes,
                              std::vector<std::uint8_t>& buffer) {
    buffer.clear();
    // Non-blocking, so that opening a pipe that carries an image name does not wait for a
    // writer; for a regular file the flag changes nothing.
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Get() < 0) {
        return ReadFailure::kCannotOpen;
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) {
        return ReadFailure::kReadError;
    }
    if (!S_ISREG(info.st_mode)) {
        return ReadFailure::kNotRegularFile;
    }
    if (info.st_size <= 0) {
        return ReadFailure::kEmpty;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        return ReadFailure::kTooLarge;
    }
    if (!CanEverFitInMemory(static_cast<std::uintmax_t>(info.st_size))) {
        return ReadFailure::kNoMemory;
    }
    // A file too large for the memory left is unreadable like any other.
    try {
        buffer.resize(static_cast<std::size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        return ReadFailure::kNoMemory;
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = ::read(file.Get(), buffer.data() + done, buffer.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            buffer.clear();
            return ReadFailure::kReadError;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    buffer.resize(done);
    return done == 0 ? ReadFailure::kEmpty : ReadFailure::kNone;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path,
                                                       std::size_t maxBytes, ReadFailure* failure) {
    std::vector<std::uint8_t> buffer;
    const ReadFailure why = ReadWholeFileInto(path, maxBytes, buffer);
    if (failure != nullptr) {
        *failure = why;
    }
    if (why != ReadFailure::kNone) {
        return std::nullopt;
    }
    return buffer;
}

}  // namespace chronoreel
