#include "host/X11NativeWindow.h"

#include <QGuiApplication>
#include <QWindow>

#include <X11/Xlib.h>

namespace {

Display* displayOf(void* display) {
    return static_cast<Display*>(display);
}

// Requests on windows that went away must not end the process, which Xlib's default
// handler would do.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

X11NativeWindow::X11NativeWindow(uintptr_t window) : window_(window) {
    if (window_ == 0)
        return;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        foreign_.reset(QWindow::fromWinId(WId(window_)));
    display_ = XOpenDisplay(nullptr);
}

X11NativeWindow::~X11NativeWindow() {
    if (!connected())
        return;
    enable(true);
    XCloseDisplay(displayOf(display_));
}

void X11NativeWindow::finishRequests() const {
    XErrorHandler previous = XSetErrorHandler(ignoreErrors);
    XSync(displayOf(display_), False);
    XSetErrorHandler(previous);
}

void X11NativeWindow::parent(QWindow* window, bool embed) {
    if (!window || !foreign_)
        return;
    if (embed)
        window->setParent(foreign_.get());
    else
        window->setTransientParent(foreign_.get());
}

QRect X11NativeWindow::geometry() const {
    if (!connected())
        return {};
    Display* display = displayOf(display_);
    XErrorHandler previous = XSetErrorHandler(ignoreErrors);
    XWindowAttributes attributes;
    QRect frame;
    if (XGetWindowAttributes(display, window_, &attributes)) {
        int x = 0;
        int y = 0;
        Window child = 0;
        XTranslateCoordinates(display, window_, attributes.root, 0, 0, &x, &y, &child);
        frame = QRect(x, y, attributes.width, attributes.height);
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    return frame;
}

void X11NativeWindow::enable(bool enabled) {
    if (!connected())
        return;
    Display* display = displayOf(display_);
    if (enabled && blocker_) {
        XDestroyWindow(display, blocker_);
        blocker_ = 0;
    } else if (!enabled && !blocker_) {
        const QRect frame = geometry();
        XSetWindowAttributes attributes{};
        attributes.event_mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask | KeyReleaseMask;
        blocker_ = XCreateWindow(display, window_, 0, 0, unsigned(std::max(frame.width(), 1)),
                                 unsigned(std::max(frame.height(), 1)), 0, 0, InputOnly, CopyFromParent,
                                 CWEventMask, &attributes);
        XMapRaised(display, blocker_);
    }
    finishRequests();
}

uintptr_t X11NativeWindow::focus() const {
    if (!connected())
        return 0;
    Window focused = 0;
    int revert = 0;
    XGetInputFocus(displayOf(display_), &focused, &revert);
    return focused == None || focused == PointerRoot ? 0 : focused;
}

void X11NativeWindow::setFocus(uintptr_t window) {
    if (!connected() || window == 0)
        return;
    XSetInputFocus(displayOf(display_), window, RevertToParent, CurrentTime);
    finishRequests();
}

void X11NativeWindow::activate() {
    raise();
    setFocus(window_);
}

void X11NativeWindow::raise() {
    if (!connected())
        return;
    XRaiseWindow(displayOf(display_), window_);
    finishRequests();
}
