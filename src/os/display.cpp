#include "os/display.h"

#include <cstdlib>

namespace chronoreel {
namespace {

bool IsSet(const char* variable) {
    const char* const value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

}  // namespace

bool EnvironmentHasDisplay() {
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

}  // namespace chronoreel
