#pragma once

#include <functional>

#include <QColor>
#include <QImage>
#include <QWidget>

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
