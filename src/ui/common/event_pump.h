#pragma once

namespace chronoreel::ui {

// The windows' event pump for long work on the GUI thread: lets pending window events run
// (repaints, the Cancel button). Called on any other thread, or without an application, it does
// nothing: a worker thread's run never touches the windows directly.
void PumpGuiEvents();

}  // namespace chronoreel::ui
