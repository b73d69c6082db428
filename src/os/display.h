#pragma once

namespace chronoreel {

// Whether the environment names a display the windows could open on (DISPLAY for X11 or
// WAYLAND_DISPLAY, either one set and not empty).
bool EnvironmentHasDisplay();

}  // namespace chronoreel
