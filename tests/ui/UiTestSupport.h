#pragma once

#include <cstdint>
#include <functional>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include "engine/PixelBuffer.h"

// Helpers shared by the user-interface tests.

// A picture with detail everywhere (no two neighbours alike), opaque.
inline PixelBuffer patternImage(uint32_t width, uint32_t height) {
    PixelBuffer image(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image.at(x, y) = makePixel(255, (x * 37 + y * 11) & 0xFF, (x * 7 + y * 53) & 0xFF, (x * y + 91) & 0xFF);
    return image;
}

// Sends one mouse event straight to `widget`, with the buttons held after it happened.
inline void sendMouse(QWidget* widget, QEvent::Type type, QPoint position, Qt::MouseButton button,
                      Qt::MouseButtons held, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(position), QPointF(widget->mapToGlobal(position)), button, held, modifiers);
    QApplication::sendEvent(widget, &event);
}

// A left-button drag through `points` (press at the first, release at the last).
inline void drag(QWidget* widget, std::initializer_list<QPoint> points,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QPoint* p = points.begin();
    sendMouse(widget, QEvent::MouseButtonPress, *p, Qt::LeftButton, Qt::LeftButton, modifiers);
    for (++p; p != points.end(); ++p)
        sendMouse(widget, QEvent::MouseMove, *p, Qt::NoButton, Qt::LeftButton, modifiers);
    sendMouse(widget, QEvent::MouseButtonRelease, *(points.end() - 1), Qt::LeftButton, Qt::NoButton, modifiers);
}

// Runs the event loop until `done` holds; false when it still does not after `timeoutMs`.
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
