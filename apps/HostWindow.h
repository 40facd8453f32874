#pragma once

#include <cstdint>
#include <string>

#include <QImage>

// The stand-in host's own window: a plain X11 window (not Qt, whose application object belongs
// to the filter module) showing the picture being edited. The X server paints it from a
// background pixmap, since the host does not run an event loop while the filter runs.
class HostWindow {
public:
    // Opens the window when an X display is reachable; otherwise id() is 0.
    HostWindow(const QImage& picture, const std::string& title);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    uintptr_t id() const { return window_; }

private:
    void showPicture(const QImage& picture);

    void* display_ = nullptr;  // Display*
    unsigned long window_ = 0;
    unsigned long pixmap_ = 0;
};
