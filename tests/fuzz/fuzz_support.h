#pragma once

// Helpers shared by the fuzzing targets: cutting an input into pieces, checks that end the
// process when a property fails, a scratch folder for targets that read files, and a way to
// survive the program's error report.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/error_report.h"

namespace chronoreel::fuzz {

// A property every input must keep; a failure ends the process the way a sanitizer does, so
// that both the fuzzer and the corpus replay see it.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

// Cuts an input into choices (single bytes) and texts (each ended by a NUL byte, the last one
// running to the end of the input).
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    // The next byte, 0 once the input is used up.
    std::uint8_t Byte() {
        if (rest_.empty()) {
            return 0;
        }
        const auto byte = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return byte;
    }

    // The text up to the next NUL byte (which is used up too), or the rest.
    std::string_view Text() {
        const std::size_t end = rest_.find('\0');
        const std::string_view text = rest_.substr(0, end);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        return text;
    }

    std::string_view Rest() {
        const std::string_view rest = rest_;
        rest_ = {};
        return rest;
    }

  private:
    std::string_view rest_;
};

// A folder of this process under the system's temporary folder ($TMPDIR, else /tmp), removed
// when the process ends normally.
const std::filesystem::path& ScratchFolder();

// Writes the whole text into a file of the scratch folder and gives its path.
std::string WriteScratchFile(std::string_view name, std::string_view content);

// Thrown at the end of an error report in place of ending the process.
struct ReportedError {
    int code = 0;
};

// Lets an error report end in a ReportedError exception instead of ending the process, and
// keeps the report off the terminal. A report of an internal error (a standard library
// exception that no code path expected, such as an index out of range) is a finding and still
// ends the process, with the report's details.
void ReportErrorsByThrowing();

}  // namespace chronoreel::fuzz
