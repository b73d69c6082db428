#pragma once

#include <stdexcept>
#include <string>

namespace chronoreel {

// An unexpected run-time error: the code and description that the error report shows.
// Expected failures (a file that will not decode, a text that is no number) never throw this.
class AppError : public std::runtime_error {
  public:
    AppError(int code, const std::string& description)
        : std::runtime_error(description), code_(code) {}
    int Code() const { return code_; }

  private:
    int code_;
};

// Error codes the core raises.
inline constexpr int kErrOverflow = 6;
inline constexpr int kErrOutOfMemory = 7;
inline constexpr int kErrSubscriptOutOfRange = 9;
inline constexpr int kErrTypeMismatch = 13;
inline constexpr int kErrBadFileName = 52;
inline constexpr int kErrFileNotFound = 53;
inline constexpr int kErrPathNotFound = 76;
inline constexpr int kErrInternal = 51;

}  // namespace chronoreel
