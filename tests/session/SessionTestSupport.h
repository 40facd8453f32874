#pragma once

#include <QCoreApplication>
#include <QStringList>

#include "session/WarningReporter.h"
#include "support/Pictures.h"
#include "support/WaitUntil.h"

// Helpers shared by the session tests.

// Keeps every warning the session would show.
struct CollectedWarnings : WarningReporter {
    QStringList texts;
    void warning(const QString& text) override { texts.append(text); }
};
