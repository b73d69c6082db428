#pragma once

#include <functional>
#include <optional>
#include <string>

namespace chronoreel {

// The whole content of a file; "" for a missing file, nothing when it exists but cannot be read.
std::optional<std::string> ReadFileText(const std::string& path);

// Given the file's current content ("" for a new file), gives the new content, or nothing to
// leave the file as it is.
using FileEdit = std::function<std::optional<std::string>(const std::string& current)>;

// Changes a file safely between processes and across crashes. Takes an exclusive advisory lock
// that every writer of the file shares, reads the current content under it, and when the edit
// gives different content writes that to a hidden temporary file in the same folder (same
// permissions), flushes it and renames it over the file, then flushes the folder. Readers see
// the old file or the new one, never a mix; two writers never lose each other's changes.
// Returns false when the file could not be locked, read or replaced (missing folder, read-only
// file or folder, full disk); the file is then as it was and no temporary file is left.
// A symbolic link is followed: the file it names is replaced and the link stays.
bool UpdateFileLocked(const std::string& path, const FileEdit& edit);

}  // namespace chronoreel
