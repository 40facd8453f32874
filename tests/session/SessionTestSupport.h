#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "engine/PixelBuffer.h"

// Helpers shared by the session tests.

inline std::vector<uint32_t> pixelsOf(const PixelBuffer& buffer) {
    return std::vector<uint32_t>(buffer.pixels(), buffer.pixels() + buffer.count());
}

inline bool isAllZero(const PixelBuffer& buffer) {
    return std::all_of(buffer.pixels(), buffer.pixels() + buffer.count(), [](uint32_t p) { return p == 0; });
}

inline PixelBuffer solid(uint32_t width, uint32_t height, uint32_t colour) {
    PixelBuffer buffer(width, height);
    std::fill(buffer.pixels(), buffer.pixels() + buffer.count(), colour);
    return buffer;
}

// The width x height part of `image` whose top-left pixel is (x, y).
inline PixelBuffer crop(const PixelBuffer& image, uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
    PixelBuffer part(width, height);
    for (uint32_t row = 0; row < height; ++row)
        for (uint32_t column = 0; column < width; ++column)
            part.at(column, row) = image.at(x + column, y + row);
    return part;
}

// Runs the event loop until `done` holds; false when it still does not after `timeoutMs`.
// Waits for events like the application's loop does, so that the shell meets the worker's
// notifications as soon as they are posted.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
    QTimer tick;  // wakes the loop now and then so that the timeout is noticed
    tick.start(10);
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
