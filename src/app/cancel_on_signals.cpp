#include "app/cancel_on_signals.h"

#include <atomic>

#include "engine/movie_gen.h"

namespace chronoreel {
namespace {

constexpr std::array<int, 2> kCancelSignals = {SIGINT, SIGTERM};

// The handler may only touch lock-free atomics.
std::atomic<MovieGen*> signalTarget{nullptr};
std::atomic<bool> signalReceived{false};
static_assert(std::atomic<MovieGen*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void CancelRunOnSignal(int) {
    signalReceived.store(true);
    if (MovieGen* const gen = signalTarget.load()) {
        gen->SetCancelMovie(true);  // one atomic store
    }
}

}  // namespace

bool CancelOnSignals::Received() {
    return signalReceived.load();
}

CancelOnSignals::CancelOnSignals(MovieGen& gen) {
    signalReceived.store(false);
    signalTarget.store(&gen);
    struct sigaction action {};
    action.sa_handler = CancelRunOnSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted reads and waits carry on; the run notices the request at its checkpoints.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kCancelSignals.size(); ++i) {
        sigaction(kCancelSignals[i], &action, &previous_[i]);
    }
}

CancelOnSignals::~CancelOnSignals() {
    for (std::size_t i = 0; i < kCancelSignals.size(); ++i) {
        sigaction(kCancelSignals[i], &previous_[i], nullptr);
    }
    signalTarget.store(nullptr);
}

}  // namespace chronoreel
