#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "base/error_report.h"

namespace chronoreel {

// A hidden temporary file beside a movie's output path (".name.XXXXXX.tmp" in the same
// folder) that takes the output path's place in one rename when published. Until then the
// file at the output path is untouched. Destroying an unpublished file removes it.
class MovieTempFile {
  public:
    MovieTempFile() = default;
    ~MovieTempFile();
    MovieTempFile(const MovieTempFile&) = delete;
    MovieTempFile& operator=(const MovieTempFile&) = delete;

    // Creates the temporary file (close-on-exec, never an existing one). When the output path
    // is a link, the file it points at is the one replaced, and the temporary file goes beside
    // that one. On failure error says why and nothing is created.
    bool Create(const std::filesystem::path& outputPath, std::string& error);

    // Flushes the file to disk, closes it and renames it over the output path. On failure
    // error says why, the temporary file is removed and the output path is untouched.
    bool Publish(std::string& error);

    // Closes and removes the temporary file.
    void Discard();

    bool IsOpen() const { return descriptor_ >= 0; }
    int Descriptor() const { return descriptor_; }
    const std::filesystem::path& TemporaryPath() const { return temporaryPath_; }
    // The file the publication replaces: the output path, or the file its links lead to.
    const std::filesystem::path& FinalPath() const { return finalPath_; }

  private:
    int descriptor_ = -1;
    std::filesystem::path temporaryPath_;
    std::filesystem::path finalPath_;
    // Removes the unpublished file when an error report ends the program without unwinding.
    std::optional<ReportExitCleanup> reportCleanup_;
};

}  // namespace chronoreel
