#pragma once

#include <QApplication>
#include <memory>

namespace chronoreel::ui {

// Whether the Qt platform named in QT_QPA_PLATFORM shows windows without an X11 or Wayland
// display (eglfs, linuxfb, vnc on a device next to the camera).
bool QtPlatformNeedsNoDisplay();

// The program's QApplication, made only when a window is about to open, so that a run without
// windows never connects to a display. Once made, the error report becomes a message box.
class GuiApplication {
  public:
    GuiApplication(int& argc, char** argv) : argc_(argc), argv_(argv) {}
    GuiApplication(const GuiApplication&) = delete;
    GuiApplication& operator=(const GuiApplication&) = delete;

    QApplication& Ensure();

  private:
    int& argc_;
    char** argv_;
    std::unique_ptr<QApplication> application_;
};

}  // namespace chronoreel::ui
