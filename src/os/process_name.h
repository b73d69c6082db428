#pragma once

#include <cstdint>
#include <string>

namespace chronoreel {

// The name an unattended run with an instance number goes by while it makes its movie: "CR"
// and the number with at least three digits ("CR007", "CR1234"), so that other programs can
// find it with `pgrep -x CR007`.
std::string InstanceProcessName(std::int32_t instanceNumber);

// Names the calling thread (the whole process when called on the main thread) for as long as
// the guard lives, then gives back the name it had. Failures to rename are ignored: the name
// only helps other programs find the run.
class ProcessNameGuard {
  public:
    explicit ProcessNameGuard(const std::string& name);
    ~ProcessNameGuard();
    ProcessNameGuard(const ProcessNameGuard&) = delete;
    ProcessNameGuard& operator=(const ProcessNameGuard&) = delete;

    // The name of the calling thread as the system holds it (at most 15 bytes).
    static std::string Current();

  private:
    std::string previous_;
};

}  // namespace chronoreel
