#include "apps/HostWindow.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {
Display* displayOf(void* display) {
    return static_cast<Display*>(display);
}
} // namespace

HostWindow::HostWindow(const QImage& picture, const std::string& title) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    display_ = display;
    const int screen = DefaultScreen(display);
    const int width = std::max(400, DisplayWidth(display, screen) - 80);
    const int height = std::max(300, DisplayHeight(display, screen) - 80);
    window_ = XCreateSimpleWindow(display, RootWindow(display, screen), 40, 40, unsigned(width), unsigned(height), 0,
                                  BlackPixel(display, screen), 0x505050);
    XStoreName(display, window_, title.c_str());
    showPicture(picture);
    XMapRaised(display, window_);
    XSync(display, False);
}

HostWindow::~HostWindow() {
    if (!display_)
        return;
    Display* display = displayOf(display_);
    if (pixmap_)
        XFreePixmap(display, pixmap_);
    XDestroyWindow(display, window_);
    XCloseDisplay(display);
}

// The picture at the top left of a window-sized pixmap of the window's grey.
void HostWindow::showPicture(const QImage& picture) {
    Display* display = displayOf(display_);
    const int screen = DefaultScreen(display);
    if (DefaultDepth(display, screen) != 24 || picture.isNull())
        return;
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window_, &attributes);
    const QImage shown = picture.convertToFormat(QImage::Format_RGB32);
    const int w = std::min(shown.width(), attributes.width), h = std::min(shown.height(), attributes.height);
    char* bytes = static_cast<char*>(std::malloc(size_t(w) * size_t(h) * 4));
    if (!bytes)
        return;
    for (int y = 0; y < h; ++y)
        std::memcpy(bytes + size_t(y) * w * 4, shown.constScanLine(y), size_t(w) * 4);
    XImage* image = XCreateImage(display, DefaultVisual(display, screen), 24, ZPixmap, 0, bytes, unsigned(w),
                                 unsigned(h), 32, 0);
    if (!image) {
        std::free(bytes);
        return;
    }
    pixmap_ = XCreatePixmap(display, window_, unsigned(attributes.width), unsigned(attributes.height), 24);
    GC gc = XCreateGC(display, pixmap_, 0, nullptr);
    XSetForeground(display, gc, 0x505050);
    XFillRectangle(display, pixmap_, gc, 0, 0, unsigned(attributes.width), unsigned(attributes.height));
    XPutImage(display, pixmap_, gc, image, 0, 0, 0, 0, unsigned(w), unsigned(h));
    XFreeGC(display, gc);
    XDestroyImage(image);  // frees `bytes`
    XSetWindowBackgroundPixmap(display, window_, pixmap_);
}
