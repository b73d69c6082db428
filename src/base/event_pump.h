#pragma once

#include <functional>

namespace chronoreel {

// The one route by which long work lets window events run (a repaint, the Cancel button). The
// windows install their pump at start-up; without windows there is none and nothing happens.
void SetEventPump(std::function<void()> pump);

// Runs the installed pump, if any.
void LetEventsRun();

}  // namespace chronoreel
