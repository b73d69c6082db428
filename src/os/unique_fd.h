#pragma once

#include <unistd.h>

namespace chronoreel {

// Owns one file descriptor and closes it when it goes; -1 means none.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int descriptor) noexcept : fd_(descriptor) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }

    // Gives up ownership without closing.
    int Release() noexcept {
        const int descriptor = fd_;
        fd_ = -1;
        return descriptor;
    }
    // Closes the descriptor held and takes another (or none).
    void Reset(int descriptor = -1) noexcept {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = descriptor;
    }

  private:
    int fd_ = -1;
};

}  // namespace chronoreel
