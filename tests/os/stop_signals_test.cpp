#include "os/stop_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <poll.h>

#include <atomic>

namespace chronoreel {
namespace {

std::atomic<int> lastMarkedSignal{0};

extern "C" void MarkSignal(int signal) {
    lastMarkedSignal.store(signal);
}

// Installs MarkSignal for a signal and restores what was there before.
class MarkerHandler {
  public:
    explicit MarkerHandler(int signal) : signal_(signal) {
        struct sigaction action {};
        action.sa_handler = MarkSignal;
        sigemptyset(&action.sa_mask);
        sigaction(signal_, &action, &previous_);
    }
    ~MarkerHandler() { sigaction(signal_, &previous_, nullptr); }

  private:
    int signal_;
    struct sigaction previous_ {};
};

TEST(StopSignals, InterruptAndTerminateRaiseTheFlagWakeThePollAndTheOldHandlersComeBack) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const MarkerHandler marker(signal);
        std::atomic<bool> cancel{false};
        lastMarkedSignal.store(0);
        {
            const StopSignals guard(&cancel);
            ASSERT_GE(guard.WakeDescriptor(), 0);
            pollfd wake{guard.WakeDescriptor(), POLLIN, 0};
            EXPECT_EQ(::poll(&wake, 1, 0), 0);
            EXPECT_FALSE(StopSignals::Received());
            ASSERT_EQ(raise(signal), 0);
            EXPECT_TRUE(cancel.load());
            EXPECT_TRUE(StopSignals::Received());
            EXPECT_EQ(::poll(&wake, 1, 0), 1);
            EXPECT_EQ(lastMarkedSignal.load(), 0);
        }
        cancel.store(false);
        ASSERT_EQ(raise(signal), 0);
        EXPECT_EQ(lastMarkedSignal.load(), signal);
        EXPECT_FALSE(cancel.load());
    }
}

}  // namespace
}  // namespace chronoreel
