#pragma once

#include <functional>
#include <optional>
#include <vector>

namespace chronoreel {

// Clamps value into [low, high]: at or below low gives low, above high gives high.
template <class T>
void Limit(T& value, const T& low, const T& high) {
    if (value <= low) {
        value = low;
    } else if (value > high) {
        value = high;
    }
}

// A list that may never have been sized (nullopt) or sized empty: true only when it holds at
// least one element.
template <class T>
bool IsValidArray(const std::optional<std::vector<T>>& list) {
    return list.has_value() && !list->empty();
}

// What Delay needs from its surroundings; tests replace the timer and the sleep.
struct DelayHooks {
    std::function<double()> secondsSinceMidnight;  // local time, fractional seconds
    std::function<void()> sleepBriefly;            // between rounds, about 1 ms
};
void SetDelayHooks(DelayHooks hooks);
DelayHooks DefaultDelayHooks();

// Waits until the elapsed whole seconds (rounded half to even, modulo a day) reach seconds,
// letting window events run (LetEventsRun) on every round.
void Delay(double seconds);

}  // namespace chronoreel
