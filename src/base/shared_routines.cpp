#include "base/shared_routines.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>
#include <utility>

#include "base/app_error.h"
#include "base/error_report.h"
#include "base/event_pump.h"
#include "base/text.h"

namespace chronoreel {
namespace {

constexpr double kSecondsPerDay = 86400.0;
// The elapsed count wraps at a day, so it can never reach a day or more; a longer wait ends
// after the longest one it can count instead of never.
constexpr double kLongestDelaySeconds = kSecondsPerDay - 1.0;
// About a second of rounds in which the clock could not be read.
constexpr int kMostClockFailuresInARow = 1000;

double LocalSecondsSinceMidnight() {
    using namespace std::chrono;
    const auto sinceEpoch = system_clock::now().time_since_epoch();
    const auto wholeSeconds = floor<seconds>(sinceEpoch);
    const std::time_t instant = static_cast<std::time_t>(wholeSeconds.count());
    std::tm local{};
    if (localtime_r(&instant, &local) == nullptr) {
        throw AppError(kErrInternal, "The local time is unknown");
    }
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
           duration<double>(sinceEpoch - wholeSeconds).count();
}

DelayHooks& InstalledHooks() {
    static DelayHooks hooks = DefaultDelayHooks();
    return hooks;
}

// Whole seconds since start: (now - start + a day) rounded half to even, modulo a day; adding
// the day keeps the count right when midnight passes.
double ElapsedWholeSeconds(double startSeconds, double nowSeconds) {
    return std::fmod(RoundHalfEven(nowSeconds - startSeconds + kSecondsPerDay), kSecondsPerDay);
}

}  // namespace

DelayHooks DefaultDelayHooks() {
    return {
        LocalSecondsSinceMidnight,
        [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); },
    };
}

void SetDelayHooks(DelayHooks hooks) {
    // A hook left empty keeps its default.
    const DelayHooks defaults = DefaultDelayHooks();
    if (!hooks.secondsSinceMidnight) {
        hooks.secondsSinceMidnight = defaults.secondsSinceMidnight;
    }
    if (!hooks.sleepBriefly) {
        hooks.sleepBriefly = defaults.sleepBriefly;
    }
    InstalledHooks() = std::move(hooks);
}

void Delay(double seconds) {
    DelayHooks hooks;
    const double startSeconds = Trap("modMain", "Delay", [&] {
        // A copy, so that an event handler installing other hooks cannot pull them from under us.
        hooks = InstalledHooks();
        return hooks.secondsSinceMidnight();
    });
    if (std::isnan(seconds)) {
        seconds = 0.0;
    }
    seconds = std::min(seconds, kLongestDelaySeconds);
    // Errors inside the loop are ignored step by step: a failing event pump does not keep the
    // clock from being read, and the wait goes on. A clock that keeps failing ends the wait,
    // which could otherwise never end.
    int clockFailuresInARow = 0;
    for (;;) {
        try {
            LetEventsRun();
        } catch (...) {
        }
        try {
            if (ElapsedWholeSeconds(startSeconds, hooks.secondsSinceMidnight()) >= seconds) {
                return;
            }
            clockFailuresInARow = 0;
        } catch (...) {
            if (++clockFailuresInARow >= kMostClockFailuresInARow) {
                return;
            }
        }
        try {
            hooks.sleepBriefly();
        } catch (...) {
        }
    }
}

}  // namespace chronoreel
