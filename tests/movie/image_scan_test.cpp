#include "movie/image_scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>

#include "support/temp_dir.h"
#include "support/tz_guard.h"

namespace chronoreel {
namespace {

using testing::TempDir;
using testing::WriteText;

TEST(ImageScan, StampsFromNames) {
    struct Case {
        const char* name;
        std::optional<DateTime> expected;
    };
    const Case cases[] = {
        {"20030102103045.jpg", MakeDateTime(2003, 1, 2, 10, 30, 45)},
        {"200301021030.jpg", MakeDateTime(2003, 1, 2, 10, 30)},
        {"200301021030457.jpg", MakeDateTime(2003, 1, 2, 10, 30, 45) + 7 / 864000.0},
        {"2003010210304512.jpg", MakeDateTime(2003, 1, 2, 10, 30, 45) + 12 / 8640000.0},
        {"20030102103045_cam1.JPG", MakeDateTime(2003, 1, 2, 10, 30, 45)},
        {"030102103045.jpg", MakeDateTime(2003, 1, 2, 10, 30, 45)},
        {"0301021030.jpg", MakeDateTime(2003, 1, 2, 10, 30)},
        {"03010210304.jpg", std::nullopt},  // no name form has this length
        {"2001021030.jpg", std::nullopt},   // read as a four-digit year: too short
        {"991231235959.jpg", MakeDateTime(2099, 12, 31, 23, 59, 59)},
        {"2003AB02103000.jpg", std::nullopt},
        {"20030230103000.jpg", std::nullopt},  // February 30th
        {"snapshot.jpg", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<DateTime> stamp = StampFromName(c.name);
        ASSERT_EQ(stamp.has_value(), c.expected.has_value()) << c.name;
        if (stamp) {
            EXPECT_NEAR(*stamp, *c.expected, 1e-9) << c.name;
        }
    }
}

TEST(ImageScan, DirectoryPrefixEndsInOneSlash) {
    EXPECT_EQ(DirectoryPrefix("/cam"), "/cam/");
    EXPECT_EQ(DirectoryPrefix("/cam/"), "/cam/");
    EXPECT_EQ(DirectoryPrefix(""), "");
}

TEST(ImageScan, TakesJpegFilesInNameOrderAndSortsByStamp) {
    TempDir dir;
    for (const char* name :
         {"20030102103047.jpg", "20030102103045.JPG", "20030102103046.jpg", "notes.txt",
          ".20030102103040.jpg", "snapshot.jpg", "20030102103045.jpeg"}) {
        WriteText(dir / name, "x");
    }
    std::filesystem::create_directory(dir / "20030102103044.jpg");

    std::vector<std::string> found;
    ScanSettings settings{dir.Path().string(), "*.jp*", TimeStampSource::kFileName};
    const ImageList images = GetFileSpecs(
        settings,
        {[] { return false; }, [&](std::string_view n) { found.emplace_back(n); }, nullptr});

    const std::string prefix = dir.Path().string() + "/";
    EXPECT_EQ(images.paths, (std::vector<std::string>{prefix + "20030102103045.JPG",
                                                      prefix + "20030102103046.jpg",
                                                      prefix + "20030102103047.jpg"}));
    EXPECT_TRUE(std::is_sorted(images.stamps.begin(), images.stamps.end()));
    // Found in byte order of the names; the hidden file, the folder, the name without a stamp
    // and the names without ".jpg" are left out.
    EXPECT_EQ(found, (std::vector<std::string>{"20030102103045.JPG", "20030102103046.jpg",
                                               "20030102103047.jpg"}));
}

TEST(ImageScan, LinksCountOnlyWhenTheyLeadToAFile) {
    TempDir dir;
    WriteText(dir / "20030102103045.jpg", "x");
    std::filesystem::create_directory(dir / "folder");
    std::filesystem::create_symlink("20030102103045.jpg", dir / "20030102103046.jpg");
    std::filesystem::create_symlink("missing.jpg", dir / "20030102103047.jpg");
    std::filesystem::create_symlink("folder", dir / "20030102103048.jpg");

    const std::string prefix = dir.Path().string() + "/";
    for (const TimeStampSource source :
         {TimeStampSource::kFileName, TimeStampSource::kLastModified}) {
        const ImageList images = GetFileSpecs({dir.Path().string(), "*.jpg", source}, {});
        EXPECT_EQ(images.paths, (std::vector<std::string>{prefix + "20030102103045.jpg",
                                                          prefix + "20030102103046.jpg"}))
            << static_cast<int>(source);
    }
}

TEST(ImageScan, LastModifiedStampsAreLocalTime) {
    testing::TzGuard tz("Europe/Berlin");
    TempDir dir;
    WriteText(dir / "a.jpg", "x");
    const DateTime stamp = MakeDateTime(2024, 7, 1, 12, 0, 0);  // 10:00 UTC in summer
    const auto instant = ToSystemTime(stamp);
    const utimbuf times{std::chrono::system_clock::to_time_t(instant),
                        std::chrono::system_clock::to_time_t(instant)};
    ASSERT_EQ(utime((dir / "a.jpg").c_str(), &times), 0);

    const ImageList images = GetFileSpecs({dir.Path().string(), "*.jpg"}, {});
    ASSERT_EQ(images.size(), 1u);
    EXPECT_NEAR(images.stamps[0], stamp, 1e-9);
}

TEST(ImageScan, MissingFolderAndCancelGiveNoImages) {
    EXPECT_TRUE(GetFileSpecs({"/no/such/folder", "*.jpg"}, {}).empty());
    TempDir dir;
    WriteText(dir / "20030102103045.jpg", "x");
    EXPECT_TRUE(GetFileSpecs({dir.Path().string(), "*.jpg", TimeStampSource::kFileName},
                             {[] { return true; }, nullptr, nullptr})
                    .empty());
}

TEST(ShellSort, GapIndexForCounts) {
    std::int32_t gaps[kGapTableSize] = {};
    struct Case {
        std::int32_t count;
        int index;
    };
    for (const Case c : {Case{1, 0}, Case{15, 0}, Case{16, 1}, Case{57, 1}, Case{100, 2},
                         Case{1000, 5}, Case{10000, 8}}) {
        EXPECT_EQ(ShellSeq(gaps, c.count), c.index) << c.count;
    }
    ShellSeq(gaps, 60000);
    EXPECT_EQ(
        std::vector<std::int32_t>(gaps, gaps + 12),
        (std::vector<std::int32_t>{1, 5, 19, 41, 109, 209, 505, 929, 2161, 3905, 8929, 16001}));
}

TEST(ShellSort, SortsBothListsTogetherAndKeepsEqualStamps) {
    ImageList images;
    const double stamps[] = {5, 3, 9, 3, 1, 7, 3, 2, 8, 0, 4, 6, 3, 5, 1, 9, 2, 7, 3, 0};
    for (std::size_t i = 0; i < std::size(stamps); ++i) {
        images.paths.push_back(std::to_string(i));
        images.stamps.push_back(stamps[i]);
    }
    ShellSort(images, nullptr);
    EXPECT_TRUE(std::is_sorted(images.stamps.begin(), images.stamps.end()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        EXPECT_EQ(stamps[std::stoul(images.paths[i])], images.stamps[i]);
    }
    EXPECT_EQ(std::count(images.stamps.begin(), images.stamps.end(), 3.0), 5);
    // Equal stamps end in the order the passes of gap 5 and then 1 leave them, not in the order
    // they came: the five images at 3 came as 1, 3, 6, 12, 18.
    EXPECT_EQ(images.paths,
              (std::vector<std::string>{"9", "19", "4", "14", "16", "7", "3",  "1", "12", "18",
                                        "6", "10", "0", "13", "11", "5", "17", "8", "15", "2"}));
}

TEST(ShellSort, ListInOrderStaysAsItCame) {
    ImageList images;
    for (const char* path : {"b", "a", "c", "d"}) {
        images.paths.emplace_back(path);
    }
    images.stamps = {1, 1, 2, 2};
    ShellSort(images, nullptr);
    EXPECT_EQ(images.paths, (std::vector<std::string>{"b", "a", "c", "d"}));
}

}  // namespace
}  // namespace chronoreel
