#include "base/event_pump.h"

#include <mutex>
#include <utility>

namespace chronoreel {
namespace {

std::mutex pumpMutex;
std::function<void()>& InstalledPump() {
    static std::function<void()> pump;
    return pump;
}

}  // namespace

void SetEventPump(std::function<void()> pump) {
    const std::scoped_lock lock(pumpMutex);
    InstalledPump() = std::move(pump);
}

void LetEventsRun() {
    std::function<void()> pump;
    {
        // A copy, so that a handler installing another pump cannot pull it from under us.
        const std::scoped_lock lock(pumpMutex);
        pump = InstalledPump();
    }
    if (pump) {
        pump();
    }
}

}  // namespace chronoreel
