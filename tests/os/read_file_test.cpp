#include "os/read_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using testing::TempDir;
using testing::WriteText;

TEST(ReadWholeFile, ReadsTheWholeContent) {
    TempDir dir;
    const std::string content("\xFF\xD8\x00 binary \r\n\x1A end", 16);
    WriteText(dir / "a.jpg", content);
    const auto bytes = ReadWholeFile(dir / "a.jpg", content.size());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), content);
}

// Each of these is an unreadable frame for the run, and none may block or fill the memory.
TEST(ReadWholeFile, RefusesWhatIsNoStillImageFile) {
    TempDir dir;
    WriteText(dir / "empty.jpg", "");
    WriteText(dir / "big.jpg", "0123456789");
    std::filesystem::create_directory(dir / "folder.jpg");
    ASSERT_EQ(mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    for (const char* name : {"missing.jpg", "empty.jpg", "big.jpg", "folder.jpg", "pipe.jpg"}) {
        EXPECT_FALSE(ReadWholeFile(dir / name, 9)) << name;
    }
}

TEST(ReadWholeFile, AFileLargerThanTheMemoryLeftIsUnreadable) {
    TempDir dir;
    // A sparse file of 1 TiB takes no disk space but no machine can hold it in memory.
    const std::filesystem::path huge = dir / "huge.jpg";
    WriteText(huge, "");
    std::error_code error;
    std::filesystem::resize_file(huge, std::uintmax_t{1} << 40, error);
    if (error) {
        GTEST_SKIP() << "the file system holds no sparse file that large: " << error.message();
    }
    EXPECT_FALSE(ReadWholeFile(huge, SIZE_MAX));
}

}  // namespace
}  // namespace chronoreel
