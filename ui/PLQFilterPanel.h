#pragma once

#include <QFrame>

class PLQShell;
class PLQSpinBox;
class QCheckBox;

// Switches the high-pass pre-filter of the current input image on and off and sets its
// radius. The setting belongs to each image, so the panel shows the current image's values.
class PLQFilterPanel : public QFrame {
    Q_OBJECT

public:
    // Radius the filter starts with whenever it is switched on.
    static constexpr int kDefaultRadius = 10;

    // `shell` (not owned) must outlive the panel.
    PLQFilterPanel(PLQShell* shell, QWidget* parent = nullptr, const char* name = nullptr);

public slots:
    // Disabled during a run; refreshed from the model afterwards.
    void lockInterface(bool lock);
    // Shows the current image's filter without emitting anything.
    void updateParameters();

protected slots:
    void changeSize(int radius);
    void changeEnabled(bool on);

signals:
    // The current image's filtered pixels changed.
    void filterImageChanged();

private:
    PLQShell* shell_;
    QCheckBox* enableFilterCheck_;
    PLQSpinBox* sizeSpin_;
};
