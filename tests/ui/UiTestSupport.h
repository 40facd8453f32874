#pragma once

#include <cstdint>
#include <functional>

#include <QColor>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include "engine/PixelBuffer.h"
#include "session/PLQShell.h"
#include "ui/Beep.h"

// Helpers shared by the user-interface tests.

// Counts the interface's beeps while it lives.
class BeepCounter {
public:
    BeepCounter() { previous_ = setBeepHandler([this] { ++count_; }); }
    ~BeepCounter() { setBeepHandler(previous_); }
    BeepCounter(const BeepCounter&) = delete;
    BeepCounter& operator=(const BeepCounter&) = delete;
    int count() const { return count_; }

private:
    int count_ = 0;
    std::function<void()> previous_;
};

// What `widget` shows, as a 32-bit image of its own size.
inline QImage grabImage(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor rgb(int r, int g, int b) { return QColor(r, g, b); }

inline PixelBuffer filled(uint32_t width, uint32_t height, uint32_t colour) {
    PixelBuffer buffer(width, height);
    std::fill(buffer.pixels(), buffer.pixels() + buffer.count(), colour);
    return buffer;
}

// Opaque pixels that differ everywhere, so that every overlap needs a cut.
inline PixelBuffer variedChunk(uint32_t width, uint32_t height) {
    PixelBuffer chunk(width, height);
    for (uint32_t i = 0; i < chunk.count(); ++i)
        chunk.pixels()[i] = makePixel(255, (i * 37) & 255, (i * 11) & 255, (i * 5) & 255);
    return chunk;
}

// Adds `pixels` as an input image and makes it current; returns its key.
inline uint32_t addCurrentImage(PLQShell& shell, const PixelBuffer& pixels) {
    const uint32_t key = shell.images().addImage(pixels);
    shell.images().setCurrent(key);
    shell.images().normaliseProbabilities(-1.0f);
    return key;
}

// Runs the event loop until `done` holds; false when it still does not after `timeoutMs`.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Stops a run of `shell` and waits until its end has been handled.
inline bool stopRun(PLQShell& shell) {
    shell.cancelEvent();
    return waitUntil([&] { return !shell.isRunning(); });
}
