#include "base/shared_routines.h"
#include "base/event_pump.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace chronoreel {
namespace {

TEST(SharedRoutines, LimitClampsIntoTheRange) {
    const struct {
        int value;
        int expected;
    } cases[] = {{5, 3}, {0, 1}, {2, 2}, {1, 1}, {3, 3}, {-7, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        int value = c.value;
        Limit(value, 1, 3);
        EXPECT_EQ(value, c.expected);
    }
    double fps = 60.5;
    Limit(fps, 1.0, 60.0);
    EXPECT_EQ(fps, 60.0);
}

TEST(SharedRoutines, IsValidArrayOnlyForASizedList) {
    EXPECT_FALSE(IsValidArray(std::optional<std::vector<int>>{}));
    EXPECT_FALSE(IsValidArray(std::optional<std::vector<int>>{std::vector<int>{}}));
    EXPECT_TRUE(IsValidArray(std::optional<std::vector<int>>{std::vector<int>{0}}));
}

// A timer that moves only when Delay sleeps, counted in milliseconds so that the steps add up
// exactly; it shows seconds since midnight and wraps at midnight.
class DelayWithFakeTimer : public ::testing::Test {
  protected:
    static constexpr std::int64_t kDayMs = 86'400'000;

    void Start(std::int64_t startMs, std::int64_t stepMs) {
        nowMs_ = startMs;
        startMs_ = startMs;
        stepMs_ = stepMs;
        SetEventPump([this] {
            ++pumps_;
            if (pumpFails_) {
                throw std::runtime_error("pump failed");
            }
        });
        SetDelayHooks({
            [this] {
                ++clockReads_;
                if ((clockFailsEvery_ != 0 && clockReads_ % clockFailsEvery_ == 0) ||
                    (clockFailsAfter_ != 0 && clockReads_ > clockFailsAfter_)) {
                    throw std::runtime_error("timer failed");
                }
                return static_cast<double>(nowMs_ % kDayMs) / 1000.0;
            },
            [this] { nowMs_ += stepMs_; },
        });
    }
    void TearDown() override {
        SetDelayHooks(DefaultDelayHooks());
        SetEventPump(nullptr);
    }

    std::int64_t WaitedMs() const { return nowMs_ - startMs_; }

    std::int64_t nowMs_ = 0;
    std::int64_t startMs_ = 0;
    std::int64_t stepMs_ = 1;
    int pumps_ = 0;
    bool pumpFails_ = false;
    int clockReads_ = 0;
    int clockFailsEvery_ = 0;
    int clockFailsAfter_ = 0;  // reads that succeed before every further one fails
};

TEST_F(DelayWithFakeTimer, EndsWhenTheRoundedSecondsAreReached) {
    const std::int64_t lateEvening = kDayMs - 600;  // 23:59:59.4
    const struct {
        std::int64_t startMs;
        double seconds;
        std::int64_t minWaitMs;
        std::int64_t maxWaitMs;
    } cases[] = {
        {lateEvening, 2.0, 1490, 1510},  // across midnight
        {43'200'000, 2.0, 1490, 1510},
        {43'200'000, 1.0, 500, 510},  // 0.5 rounds to 0 (even), so just past half a second
        {43'200'000, 0.5, 500, 510},
        {43'200'000, 3.7, 3500, 3510},
        {kDayMs - 1000, 10.0, 9500, 9510},
        {43'200'000, 0.0, 0, 0},
        {43'200'000, -5.0, 0, 0},
        {43'200'000, std::numeric_limits<double>::quiet_NaN(), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.startMs << " + " << c.seconds);
        Start(c.startMs, 10);
        pumps_ = 0;
        Delay(c.seconds);
        EXPECT_GE(WaitedMs(), c.minWaitMs);
        EXPECT_LE(WaitedMs(), c.maxWaitMs);
        EXPECT_EQ(pumps_, WaitedMs() / 10 + 1);  // events run on every round
    }
}

TEST_F(DelayWithFakeTimer, TwoSecondsBeforeMidnightEndAfterIt) {
    Start(kDayMs - 600, 10);
    Delay(2.0);
    EXPECT_GT(nowMs_, kDayMs);
    EXPECT_NEAR(static_cast<double>(nowMs_ - kDayMs), 900.0, 10.0);
}

TEST_F(DelayWithFakeTimer, WaitOfADayOrMoreEnds) {
    Start(3'600'000, 500);
    Delay(1e9);
    EXPECT_GE(WaitedMs(), 86'398'500);
    EXPECT_LT(WaitedMs(), kDayMs);
}

TEST_F(DelayWithFakeTimer, ErrorsInsideTheWaitAreIgnored) {
    Start(43'200'000, 10);
    pumpFails_ = true;
    clockFailsEvery_ = 3;  // the start is the first read, so the loop sees the failures
    Delay(2.0);
    EXPECT_GE(WaitedMs(), 1500);
    EXPECT_LE(WaitedMs(), 1530);
}

TEST_F(DelayWithFakeTimer, AClockThatKeepsFailingEndsTheWait) {
    Start(43'200'000, 10);
    clockFailsAfter_ = 1;  // the start is read, then never again
    Delay(2.0);
    EXPECT_GT(clockReads_, 100);
}

TEST_F(DelayWithFakeTimer, ErrorBeforeTheWaitIsReported) {
    Start(43'200'000, 10);
    clockFailsEvery_ = 1;
    EXPECT_EXIT(Delay(1.0), ::testing::ExitedWithCode(70), "Module: modMain\nProcedure: Delay");
}

TEST(SharedRoutines, DelayWithTheSystemClockLetsEventsRunOnce) {
    int pumps = 0;
    SetEventPump([&] { ++pumps; });
    Delay(0.0);
    SetEventPump(nullptr);
    EXPECT_EQ(pumps, 1);
}

}  // namespace
}  // namespace chronoreel
