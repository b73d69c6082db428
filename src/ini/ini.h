#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/atomic_file.h"

namespace chronoreel {

// The scheduler stores a double quote as "&34" so that quoted values survive; the movie maker
// stores text as it stands.
enum class IniFlavour { kMovieMaker, kScheduler };
enum class SetDefault { kNo, kYes };

struct IniEntry {
    std::string section;
    std::string key;
    std::string text;
};

// Reads and writes one INI file, one key per call, no cache. Names match in any letter case;
// enclosing blanks and one pair of enclosing double quotes are removed on reading. Text is
// UTF-8 and read back whole. Every write replaces the file in one rename under an exclusive
// advisory lock, so a crash leaves the old or the new file and concurrent writers lose no key.
class INI {
  public:
    explicit INI(IniFlavour flavour = IniFlavour::kMovieMaker);

    void SetFile(std::string path);
    const std::string& File() const { return path_; }

    // A missing or empty value gives the default, written into the file when setDefault is
    // kYes (creating the file), or the empty text with kNo (the file untouched).
    std::string GetKey(std::string_view section, std::string_view key, SetDefault setDefault,
                       std::string_view defaultValue);
    // Many keys in one reading of the file (each entry's text is its default): the answers
    // GetKey gives for each in order, with every missing default written in one replacement.
    std::vector<std::string> GetKeys(const std::vector<IniEntry>& requests, SetDefault setDefault);
    // Replaces the key's value, or appends the key to its section, or the section to the file.
    // false when the file could not be written (read-only file, missing folder, full disk): the
    // file is then as it was, and TakeWriteError says why.
    bool SetKey(std::string_view section, std::string_view key, std::string_view text);
    // Writes many keys in one replacement; the file ends as if they were written in order.
    bool SetKeys(const std::vector<IniEntry>& entries);

    // Why the first write that failed since the last call failed (the defaults GetKey and
    // GetKeys write included), or nothing when every write went through; the failure is then
    // forgotten. Reading the file never fails a write: a value that was not saved is still
    // answered.
    std::optional<std::string> TakeWriteError();

  private:
    bool Update(const FileEdit& edit);

    IniFlavour flavour_;
    std::string path_;
    std::optional<std::string> writeError_;
};

}  // namespace chronoreel
