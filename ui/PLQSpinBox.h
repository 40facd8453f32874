#pragma once

#include <QFrame>
#include <QString>

class QLabel;
class QLineEdit;
class PLQSpinBoxButtons;

// The integer entry field of the panels: a frameless line edit between a rounded left edge
// and the minus / plus buttons. The value always lies in the range given at construction. A
// typed value takes effect on Return, when the field loses the focus, or on commitValue();
// text that is no number or out of range beeps and is corrected to the nearest valid value.
class PLQSpinBox : public QFrame {
    Q_OBJECT

public:
    // Range minValue..maxValue (inclusive; a reversed range counts as minValue..minValue);
    // starts at minValue.
    PLQSpinBox(int minValue, int maxValue, QWidget* parent = nullptr, const char* name = nullptr);

    // The stored value; text typed and not yet committed is taken over first (without
    // valueChanged), which may beep.
    int value();
    int minValue() const { return minValue_; }
    int maxValue() const { return maxValue_; }
    const QString& suffix() const { return suffix_; }
    // The box's own enabled state (setEnabled below), independent of QWidget's.
    bool acceptsInput() const { return enabled_; }

public slots:
    // Text shown after the number, e.g. " %".
    void setSuffix(const QString& suffix);
    // Stores `value` clamped to the range and shows it; emits nothing.
    void setValue(int value);
    // Enables or disables typing and the buttons and shows the matching left edge. The box
    // itself (a QWidget) is not disabled by this.
    void setEnabled(bool enabled);
    // Takes over typed text; emits valueChanged when that changed the value.
    void commitValue();

protected slots:
    // Steps from the buttons; `final` ends a click or drag and reports the value.
    void setRelativeValue(int steps, bool final);
    void textModified();

signals:
    // A value set by the user; never emitted by setValue.
    void valueChanged(int value);

protected:
    // Commits the typed text when the line edit loses the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void parse();
    void showValue();
    int clamp(long long value) const;

    int value_;
    bool committed_ = true;
    int minValue_;
    int maxValue_;
    bool enabled_ = true;
    QString suffix_;
    QLabel* leftBorder_;
    PLQSpinBoxButtons* buttons_;
    QLineEdit* lineEdit_;
};
