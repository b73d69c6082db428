#pragma once

namespace chronoreel {

// Says whether the current setup has changes that are not saved yet. One flag for the program:
// every MovieGen setter that stores a value sets it, the setup commands clear it after a load or
// a save, and the "Save Changes?" question reads it.
class SetupChangedFlag {
  public:
    void Set() { set_ = true; }
    void Clear() { set_ = false; }
    bool IsSet() const { return set_; }

  private:
    bool set_ = false;
};

}  // namespace chronoreel
