#include "os/stop_signals.h"

#include <fcntl.h>

#include <cerrno>

namespace chronoreel {
namespace {

constexpr std::array<int, 2> kStopSignals = {SIGINT, SIGTERM};

// The handler may only touch lock-free atomics and write(2).
std::atomic<std::atomic<bool>*> signalFlag{nullptr};
std::atomic<int> signalWakeDescriptor{-1};
std::atomic<bool> signalReceived{false};
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void NoteStopSignal(int) {
    const int savedErrno = errno;
    signalReceived.store(true);
    if (std::atomic<bool>* const flag = signalFlag.load()) {
        flag->store(true);
    }
    const int wake = signalWakeDescriptor.load();
    if (wake >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

bool StopSignals::Received() {
    return signalReceived.load();
}

StopSignals::StopSignals(std::atomic<bool>* flagToRaise) {
    int pipeEnds[2] = {-1, -1};
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_.Reset(pipeEnds[0]);
        wakeWrite_.Reset(pipeEnds[1]);
    }
    signalReceived.store(false);
    signalFlag.store(flagToRaise);
    signalWakeDescriptor.store(wakeWrite_.Get());
    struct sigaction action {};
    action.sa_handler = NoteStopSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted reads and waits carry on; the owner notices the request at its checkpoints.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        sigaction(kStopSignals[i], &action, &previous_[i]);
    }
}

StopSignals::~StopSignals() {
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        sigaction(kStopSignals[i], &previous_[i], nullptr);
    }
    signalFlag.store(nullptr);
    signalWakeDescriptor.store(-1);
}

}  // namespace chronoreel
