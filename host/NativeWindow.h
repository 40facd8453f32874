#pragma once

#include <cstdint>

#include <QRect>

class QWindow;

// The few operations the window wrapper needs from the host's native window system. Window
// ids are the system's own; 0 is none.
class NativeWindow {
public:
    virtual ~NativeWindow() = default;

    // The host window this object stands for.
    virtual uintptr_t id() const = 0;
    // Makes `window` a native child of the host window (`embed`), or a top-level window that
    // belongs to it and stays above it.
    virtual void parent(QWindow* window, bool embed) = 0;
    // The host window's frame in screen coordinates; empty when unknown.
    virtual QRect geometry() const = 0;
    // A disabled host window takes no keyboard or mouse input.
    virtual void enable(bool enabled) = 0;
    // The window that has the keyboard focus now (0 when none), and giving it to one.
    virtual uintptr_t focus() const = 0;
    virtual void setFocus(uintptr_t window) = 0;
    // Makes the host window the active one.
    virtual void activate() = 0;
    // Brings the host window above its siblings.
    virtual void raise() = 0;
};
