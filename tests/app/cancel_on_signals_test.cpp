#include "app/cancel_on_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>

#include "engine/movie_gen.h"

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

TEST(CancelOnSignals, InterruptAndTerminateCancelTheRunAndTheOldHandlersComeBack) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const MarkerHandler marker(signal);
        SetupChangedFlag flag;
        MovieGen gen(flag);
        lastMarkedSignal.store(0);
        {
            const CancelOnSignals guard(gen);
            ASSERT_EQ(raise(signal), 0);
            EXPECT_TRUE(gen.CancelRequested());
            EXPECT_EQ(lastMarkedSignal.load(), 0);
        }
        gen.ClearCancelMovie();
        ASSERT_EQ(raise(signal), 0);
        EXPECT_EQ(lastMarkedSignal.load(), signal);
        EXPECT_FALSE(gen.CancelRequested());
    }
}

}  // namespace
}  // namespace chronoreel
