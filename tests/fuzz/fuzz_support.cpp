#include "fuzz_support.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "base/app_error.h"

namespace chronoreel::fuzz {
namespace {

class Scratch {
  public:
    Scratch() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                              "/chronoreel-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("chronoreel fuzz: cannot create a scratch folder");
            std::abort();
        }
        path_ = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

void ThrowReported(const ErrorDetails& details) {
    if (details.code == kErrInternal) {
        std::fprintf(stderr, "internal error reported: %s / %s: %s\n", details.module.c_str(),
                     details.procedure.c_str(), details.description.c_str());
        std::abort();
    }
    throw ReportedError{details.code};
}

}  // namespace

const std::filesystem::path& ScratchFolder() {
    static const Scratch scratch;
    return scratch.Path();
}

std::string WriteScratchFile(std::string_view name, std::string_view content) {
    const std::filesystem::path path = ScratchFolder() / std::string(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "chronoreel fuzz: cannot write %s\n", path.c_str());
        std::abort();
    }
    return path.string();
}

void ReportErrorsByThrowing() {
    SetErrorPresenter([](std::string_view, std::string_view) {});
    SetErrorReportEnding(ThrowReported);
}

}  // namespace chronoreel::fuzz
