#pragma once

#include <functional>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include "session/WarningReporter.h"
#include "support/Pictures.h"

// Helpers shared by the session tests.

// Keeps every warning the session would show.
struct CollectedWarnings : WarningReporter {
    QStringList texts;
    void warning(const QString& text) override { texts.append(text); }
};

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
