#pragma once

namespace chronoreel {

// The engine's "schedule changed" flag: raised by every change of a task's minute mask, every
// save of a changed task and every change of the run lists; the engine rebuilds its to-do list
// and redraws the grid at the end of a tick in which it was raised.
class ScheduleChangedFlag {
  public:
    void Raise() { raised_ = true; }
    void Clear() { raised_ = false; }
    bool IsRaised() const { return raised_; }

  private:
    bool raised_ = true;  // the first tick always rebuilds
};

}  // namespace chronoreel
