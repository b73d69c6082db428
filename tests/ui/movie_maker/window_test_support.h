#pragma once

// What the tests of the movie maker's windows share besides the common window helpers: folders
// of stills with date-and-time names.

#include <QAbstractButton>
#include <QAction>
#include <cstdio>
#include <filesystem>
#include <string>

#include "programs/program_run.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"
#include "ui/support/window_test_support.h"

namespace chronoreel::testing {

// count stills in folder, one a minute, all of the same picture (hard links of the first).
inline void WriteStills(const std::filesystem::path& folder, int count, const RgbPicture& picture) {
    std::filesystem::create_directories(folder);
    const std::filesystem::path first = folder / StillName(0);
    WriteText(first, EncodeJpeg(picture, 90));
    for (int i = 1; i < count; ++i) {
        std::filesystem::create_hard_link(first, folder / StillName(i));
    }
}

}  // namespace chronoreel::testing
