#include "support/ModuleScript.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

std::function<bool()> current;

void startSteps() {
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [timer] {
        if (current && current())
            timer->stop();
    });
    timer->start(20);
}

// Called while the module's application is being constructed: the steps start once its event
// loop runs.
void onApplicationCreated() {
    QMetaObject::invokeMethod(QCoreApplication::instance(), startSteps, Qt::QueuedConnection);
}

} // namespace

void ModuleScript::set(std::function<bool()> step) {
    static const bool installed = [] {
        qAddPreRoutine(onApplicationCreated);
        return true;
    }();
    (void)installed;
    current = std::move(step);
}
