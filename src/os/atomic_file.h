#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/error_report.h"
#include "os/unique_fd.h"

namespace chronoreel {

// A new version of a file, written to a temporary file in the same folder and put in its place
// in one rename, so that readers see the old file or the new one and never a mix. Until then the
// file at the path is untouched.
//
// The temporary file has no name while it is written (O_TMPFILE) where the file system allows
// it, so a program killed meanwhile leaves nothing behind; it gets a hidden name
// (".name.XXXXXX.tmp") only for the moment before the rename. Elsewhere it is named from the
// start. Either way its writer holds a lock on it, and the next replacement of the same file
// removes named temporary files whose writer is gone. Destroying a replacement that was not
// committed removes its temporary file (also when an error report ends the program without
// unwinding).
//
// Symbolic links at the end of the path are followed: the file they name is the one replaced,
// the temporary file goes beside it, and the links stay.
enum class TemporaryName {
    kOnlyWhenNeeded,  // unnamed where the file system allows it
    kFromTheStart,    // always named (the way of file systems without unnamed files)
};

class FileReplacement {
  public:
    // Creates the temporary file (close-on-exec, never an existing one; 0666 less the umask).
    // nullopt, with error saying why, when the links form a loop, the path names a folder or no
    // file, or the folder does not take a new file.
    static std::optional<FileReplacement> Begin(
        const std::filesystem::path& path, std::string& error,
        TemporaryName naming = TemporaryName::kOnlyWhenNeeded);

    FileReplacement(FileReplacement&& other) noexcept;
    FileReplacement& operator=(FileReplacement&& other) noexcept;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    ~FileReplacement();

    // Where the new content goes.
    int Descriptor() const { return fd_.Get(); }
    bool IsOpen() const { return fd_.Valid(); }
    // The temporary file's name; empty while it has none.
    const std::filesystem::path& TemporaryPath() const { return temporaryPath_; }
    // The file the replacement takes the place of: the path, or the file its links lead to.
    const std::filesystem::path& FinalPath() const { return finalPath_; }

    // Gives the new file the permission bits and, where allowed, the owner and group of the
    // file it replaces (a new file keeps 0666 less the umask), flushes it to disk, closes it,
    // renames it over the final path and flushes the folder. On failure error says why, the
    // temporary file is removed and the final path is untouched.
    bool Commit(std::string& error);

    // Like Commit, but only while no file has the final path: the new file then appears there
    // at once with its whole content. When a file took the path meanwhile, false with
    // pathTaken set and the temporary file removed; on other failures error says why.
    bool CommitAsNewFile(std::string& error, bool& pathTaken);

    // Closes and removes the temporary file.
    void Discard();

  private:
    FileReplacement() = default;
    bool GiveTemporaryName(std::string& error);
    bool FlushToDisk(std::string& error);
    void WatchNameForReport();

    UniqueFd fd_;
    std::filesystem::path temporaryPath_;
    std::filesystem::path finalPath_;
    std::optional<ReportExitCleanup> reportCleanup_;
};

// The whole content of a file; "" for a missing file, nothing when it exists but cannot be read.
std::optional<std::string> ReadFileText(const std::string& path);

// Given the file's current content ("" for a new file), gives the new content, or nothing to
// leave the file as it is.
using FileEdit = std::function<std::optional<std::string>(const std::string& current)>;

// Changes a file safely between processes and across crashes. Takes an exclusive advisory lock
// that every writer of the file shares, reads the current content under it, and when the edit
// gives different content puts that in the file's place with a FileReplacement. Two writers
// never lose each other's changes. Returns false when the file could not be locked, read or
// replaced (missing folder, read-only file or folder, full disk), with error saying why; the
// file is then as it was and no temporary file is left.
bool UpdateFileLocked(const std::string& path, const FileEdit& edit, std::string& error);
bool UpdateFileLocked(const std::string& path, const FileEdit& edit);

}  // namespace chronoreel
