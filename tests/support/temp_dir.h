#pragma once

#include <filesystem>
#include <string>

namespace chronoreel::testing {

// A fresh folder under the system's temporary directory, removed with everything in it when
// the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// Reads a whole file as text ("" when it cannot be read).
std::string ReadText(const std::filesystem::path& file);
void WriteText(const std::filesystem::path& file, const std::string& text);

}  // namespace chronoreel::testing
