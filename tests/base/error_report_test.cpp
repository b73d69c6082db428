#include "base/error_report.h"

#include <gtest/gtest.h>

namespace chronoreel {
namespace {

TEST(ErrorReport, BuildsTheEightLines) {
    const std::string text =
        BuildErrorReport({"modTime", "GetSunset", 7, 5, "Invalid procedure call"});
    EXPECT_EQ(text.find("Error Detected\nPlease contact Technical Support ("), 0u);
    EXPECT_NE(text.find(")\nwith this information:\nModule: modTime\nProcedure: GetSunset\n"
                        "Line #: 7\nError #: 5\nError Description: Invalid procedure call"),
              std::string::npos);
    EXPECT_NE(text.back(), '\n');
}

TEST(ErrorReportDeathTest, EndsTheProgramWithCode70AfterShowingTheReport) {
    EXPECT_EXIT(
        {
            SetErrorPresenter([](std::string_view title, std::string_view text) {
                std::fprintf(stderr, "[%.*s] %.*s", static_cast<int>(title.size()), title.data(),
                             static_cast<int>(text.size()), text.data());
            });
            Trap("MovieGen", "FormatBytes_Get", []() -> int {
                throw AppError(kErrSubscriptOutOfRange, "Subscript out of range");
            });
        },
        ::testing::ExitedWithCode(70),
        "\\[Error Debug Report\\] Error Detected(.|\n)*Procedure: FormatBytes_Get");
}

struct ReportEnded {
    int code;
};

TEST(ErrorReportDeathTest, AnInstalledEndingRunsAfterTheReportAndMayThrow) {
    EXPECT_EXIT(
        {
            SetErrorPresenter([](std::string_view, std::string_view text) {
                std::fprintf(stderr, "[%.*s]", static_cast<int>(text.size()), text.data());
            });
            SetErrorReportEnding(
                [](const ErrorDetails& details) { throw ReportEnded{details.code}; });
            int ended = 0;
            for (int code : {kErrOverflow, kErrTypeMismatch}) {
                try {
                    Trap("modFile", "LoadFile", [&] { throw AppError(code, "Overflow"); });
                } catch (const ReportEnded& e) {
                    ended += e.code == code ? 1 : 0;
                }
            }
            // Without the ending the next report ends the program as before.
            SetErrorReportEnding(nullptr);
            std::fprintf(stderr, "ended %d\n", ended);
            Trap("modFile", "LoadFile", [] { throw AppError(kErrOverflow, "Overflow"); });
        },
        ::testing::ExitedWithCode(70), "Procedure: LoadFile(.|\n)*ended 2");
}

}  // namespace
}  // namespace chronoreel
