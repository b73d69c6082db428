#include "os/system_info_program.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace chronoreel {
namespace {

void MakeProgram(const std::filesystem::path& path, bool executable) {
    testing::WriteText(path, "#!/bin/sh\n");
    chmod(path.c_str(), executable ? 0755 : 0644);
}

TEST(SystemInfoProgram, FirstKnownExecutableProgramOnThePath) {
    testing::TempDir dir;
    const std::filesystem::path first = dir / "first";
    const std::filesystem::path second = dir / "second";
    std::filesystem::create_directories(first);
    std::filesystem::create_directories(second);
    const std::string path = first.string() + "::" + second.string();

    EXPECT_EQ(FindSystemInfoProgram(path), std::nullopt);
    EXPECT_EQ(FindSystemInfoProgram(""), std::nullopt);

    MakeProgram(second / "gnome-system-monitor", true);
    EXPECT_EQ(FindSystemInfoProgram(path), (second / "gnome-system-monitor").string());

    // A better-known tool wins wherever it is; a file that cannot run is no program.
    MakeProgram(first / "hardinfo", false);
    EXPECT_EQ(FindSystemInfoProgram(path), (second / "gnome-system-monitor").string());
    MakeProgram(second / "hardinfo", true);
    EXPECT_EQ(FindSystemInfoProgram(path), (second / "hardinfo").string());
}

}  // namespace
}  // namespace chronoreel
