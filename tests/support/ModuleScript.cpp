#include "support/ModuleScript.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <memory>

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

void ModuleScript::pressInTurn(const QStringList& labels, int* windows) {
    auto next = std::make_shared<int>(0);
    set([labels, windows, next] {
        if (*next >= labels.size())
            return true;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() != QLatin1String("mainWindow") || !widget->isVisible())
                continue;
            for (QPushButton* button : widget->findChildren<QPushButton*>())
                if (button->text() == labels[*next] && button->isEnabled()) {
                    if (*next == 0 && windows)
                        ++*windows;
                    button->click();
                    return ++*next == labels.size();
                }
        }
        return false;
    });
}
