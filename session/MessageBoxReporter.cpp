#include "session/MessageBoxReporter.h"

#include <QMessageBox>

MessageBoxReporter::MessageBoxReporter(QWidget* parent) : parent_(parent) {}

void MessageBoxReporter::warning(const QString& text) {
    QMessageBox::warning(parent_, QStringLiteral("Patchloom"), text);
}
