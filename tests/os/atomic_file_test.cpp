#include "os/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace chronoreel {
namespace {

namespace fs = std::filesystem;

// Sets the process's umask for one test.
class ScopedUmask {
  public:
    explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

  private:
    mode_t previous_;
};

mode_t ModeOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

bool Replace(const fs::path& path, const std::string& content) {
    std::string error;
    std::optional<FileReplacement> replacement = FileReplacement::Begin(path, error);
    if (!replacement) {
        ADD_FAILURE() << error;
        return false;
    }
    EXPECT_EQ(::write(replacement->Descriptor(), content.data(), content.size()),
              static_cast<ssize_t>(content.size()));
    const bool committed = replacement->Commit(error);
    EXPECT_TRUE(committed) << error;
    return committed;
}

TEST(FileReplacement, TheReplacedFileKeepsItsPermissionsAndANewFileFollowsTheUmask) {
    testing::TempDir dir;
    const ScopedUmask umask(077);
    testing::WriteText(dir / "movie.avi", "yesterday");
    fs::permissions(dir / "movie.avi", static_cast<fs::perms>(0644));
    ASSERT_TRUE(Replace(dir / "movie.avi", "today"));
    EXPECT_EQ(ModeOf(dir / "movie.avi"), 0644u);
    EXPECT_EQ(testing::ReadText(dir / "movie.avi"), "today");

    ASSERT_TRUE(Replace(dir / "new.avi", "first"));
    EXPECT_EQ(ModeOf(dir / "new.avi"), 0600u);
}

TEST(FileReplacement, ALinkedFileIsReplacedBehindTheLinkAndNothingIsLeftOver) {
    testing::TempDir dir;
    fs::create_directory(dir / "www");
    testing::WriteText(dir / "www" / "cam.avi", "old");
    fs::create_symlink("www/cam.avi", dir / "cam.avi");
    ASSERT_TRUE(Replace(dir / "cam.avi", "new"));
    EXPECT_TRUE(fs::is_symlink(dir / "cam.avi"));
    EXPECT_EQ(testing::ReadText(dir / "www" / "cam.avi"), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "www"), fs::directory_iterator()), 1);

    std::string error;
    for (const TemporaryName naming :
         {TemporaryName::kOnlyWhenNeeded, TemporaryName::kFromTheStart}) {
        {
            std::optional<FileReplacement> dropped =
                FileReplacement::Begin(dir / "cam.avi", error, naming);
            ASSERT_TRUE(dropped.has_value()) << error;
            EXPECT_EQ(dropped->TemporaryPath().empty(), naming == TemporaryName::kOnlyWhenNeeded);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(dir / "www"), fs::directory_iterator()), 1);
        EXPECT_EQ(testing::ReadText(dir / "www" / "cam.avi"), "new");
    }
}

// A program killed while it replaced a file leaves a named temporary file; the next replacement
// removes it, but never one whose writer still holds it.
TEST(FileReplacement, StaleTemporaryFilesOfTheSameFileGoWithTheNextReplacement) {
    testing::TempDir dir;
    testing::WriteText(dir / "day.tls", "[General]\n");
    testing::WriteText(dir / ".day.tls.Ab3xYz.tmp", "left by a killed save");
    testing::WriteText(dir / ".other.tls.Ab3xYz.tmp", "another file's");
    testing::WriteText(dir / ".day.tls.notmine", "not a temporary name");
    std::string error;
    std::optional<FileReplacement> living =
        FileReplacement::Begin(dir / "day.tls", error, TemporaryName::kFromTheStart);
    ASSERT_TRUE(living.has_value()) << error;
    const fs::path livingName = living->TemporaryPath();

    ASSERT_TRUE(Replace(dir / "day.tls", "[General]\nFPS=25\n"));
    EXPECT_FALSE(fs::exists(dir / ".day.tls.Ab3xYz.tmp"));
    EXPECT_TRUE(fs::exists(livingName)) << "a writer that still works keeps its file";
    EXPECT_TRUE(fs::exists(dir / ".other.tls.Ab3xYz.tmp"));
    EXPECT_TRUE(fs::exists(dir / ".day.tls.notmine"));
    living.reset();
    EXPECT_FALSE(fs::exists(livingName));
}

}  // namespace
}  // namespace chronoreel
