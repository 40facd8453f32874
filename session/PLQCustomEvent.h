#pragma once

#include <QEvent>
#include <QString>

#include "engine/Box.h"

// A worker notification posted to the shell, delivered on the GUI thread. Carries the output
// region of the paste it reports (empty when that paste changed nothing) and, at the end of a
// run, what the user must be told about it (usually nothing).
class PLQCustomEvent : public QEvent {
public:
    // One automatic step finished; the box is the region just pasted.
    static constexpr QEvent::Type RunStepEvent = QEvent::Type(1065);
    // The run has ended; the box is the region of the last paste.
    static constexpr QEvent::Type RunTerminatedEvent = QEvent::Type(1066);

    PLQCustomEvent(QEvent::Type type, const Box& box);

    const Box& box() const { return box_; }
    void setBox(const Box& box) { box_ = box; }
    // Empty, or a warning in the exact text to show.
    const QString& warning() const { return warning_; }
    void setWarning(const QString& text) { warning_ = text; }

private:
    Box box_;
    QString warning_;
};
