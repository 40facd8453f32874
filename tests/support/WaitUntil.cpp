#include "support/WaitUntil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QTimer tick; // wakes the loop now and then so that the timeout is noticed
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
