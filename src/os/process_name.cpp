#include "os/process_name.h"

#include <sys/prctl.h>

#include <array>
#include <cstdio>

namespace chronoreel {
namespace {

// The system keeps 15 bytes of a name and a terminating zero.
constexpr std::size_t kNameBufferBytes = 16;

void SetName(const std::string& name) {
    prctl(PR_SET_NAME, name.c_str(), 0, 0, 0);
}

}  // namespace

std::string InstanceProcessName(std::int32_t instanceNumber) {
    std::array<char, 24> text{};
    std::snprintf(text.data(), text.size(), "CR%03d", static_cast<int>(instanceNumber));
    return text.data();
}

ProcessNameGuard::ProcessNameGuard(const std::string& name) : previous_(Current()) {
    SetName(name);
}

ProcessNameGuard::~ProcessNameGuard() {
    SetName(previous_);
}

std::string ProcessNameGuard::Current() {
    std::array<char, kNameBufferBytes> name{};
    if (prctl(PR_GET_NAME, name.data(), 0, 0, 0) != 0) {
        return {};
    }
    return name.data();
}

}  // namespace chronoreel
