#include "os/process_name.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace chronoreel {
namespace {

TEST(InstanceProcessName, IsCrWithAtLeastThreeDigits) {
    const struct {
        std::int32_t instance;
        const char* name;
    } cases[] = {
        {0, "CR000"},   {7, "CR007"},     {42, "CR042"},
        {999, "CR999"}, {1000, "CR1000"}, {2147483647, "CR2147483647"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InstanceProcessName(c.instance), c.name) << c.instance;
    }
}

TEST(ProcessNameGuard, NamesTheProcessWhileItLivesAndGivesTheOldNameBack) {
    const std::string before = ProcessNameGuard::Current();
    ASSERT_FALSE(before.empty());
    {
        const ProcessNameGuard guard("CR007");
        EXPECT_EQ(ProcessNameGuard::Current(), "CR007");
        // The name other programs see (pgrep -x CR007 reads it): tests run on the main thread.
        EXPECT_EQ(testing::ReadText("/proc/self/comm"), "CR007\n");
    }
    EXPECT_EQ(ProcessNameGuard::Current(), before);
    EXPECT_EQ(testing::ReadText("/proc/self/comm"), before + "\n");
}

}  // namespace
}  // namespace chronoreel
