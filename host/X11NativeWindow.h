#pragma once

#include <cstdint>
#include <memory>

#include "host/NativeWindow.h"

class QWindow;

// A host window of the X11 display, reached through a connection of its own (Xlib) for what Qt
// does not do: input blocking while a modal window shows, and the keyboard focus. Without a
// display every operation does nothing.
class X11NativeWindow : public NativeWindow {
public:
    explicit X11NativeWindow(uintptr_t window);
    ~X11NativeWindow() override;

    uintptr_t id() const override { return window_; }
    void parent(QWindow* window, bool embed) override;
    QRect geometry() const override;
    void enable(bool enabled) override;
    uintptr_t focus() const override;
    void setFocus(uintptr_t window) override;
    void activate() override;
    void raise() override;

private:
    bool connected() const { return display_ != nullptr; }
    void finishRequests() const;

    uintptr_t window_;
    void* display_ = nullptr;  // Display*, kept out of this header: Xlib's macros clash with Qt's
    unsigned long blocker_ = 0;  // an input-only window over the host while it is disabled
    std::unique_ptr<QWindow> foreign_;
};
