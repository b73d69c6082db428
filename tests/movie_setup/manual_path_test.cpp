#include "movie_setup/manual_path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace chronoreel {
namespace {

namespace fs = std::filesystem;

TEST(ManualPath, BuildTreeFirstThenTheInstalledPlace) {
    testing::TempDir dir;
    const fs::path bin = dir / "bin";
    const fs::path besideProgram = bin / "docs" / "Chronoreel" / "index.htm";
    const fs::path installed = dir / "share" / "doc" / "chronoreel" / "Chronoreel" / "index.htm";
    fs::create_directories(bin);

    EXPECT_EQ(FindManual(bin), std::nullopt);

    fs::create_directories(installed.parent_path());
    testing::WriteText(installed, "<html></html>");
    ASSERT_TRUE(FindManual(bin).has_value());
    EXPECT_TRUE(fs::equivalent(*FindManual(bin), installed));

    fs::create_directories(besideProgram.parent_path());
    testing::WriteText(besideProgram, "<html></html>");
    EXPECT_EQ(FindManual(bin), besideProgram);
}

}  // namespace
}  // namespace chronoreel
