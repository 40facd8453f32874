#pragma once

#include "session/WarningReporter.h"

class QWidget;

// Shows each warning as a modal warning box captioned "Patchloom" with one default button.
class MessageBoxReporter : public WarningReporter {
public:
    // `parent` (may be null) must outlive the reporter; the images panel passes its top-level widget.
    explicit MessageBoxReporter(QWidget* parent);
    void warning(const QString& text) override;

private:
    QWidget* parent_;
};
