#pragma once

#include <QFrame>

class PLQShell;
class PLQSpinBox;
class QCheckBox;
class QComboBox;
class QPushButton;
class QStackedWidget;
struct PlacementParameters;

// Sets up and starts the automatic process: the placement method with its parameter
// (jittering for Random, covering factor for Semi-Regular, none for Matched; the combo's index
// is the PlacementMethod value), whether chunks are mixed at
// random, and the button that starts and stops the run. Edits the session's placement
// parameters directly.
class PLQAutomationPanel : public QFrame {
    Q_OBJECT

public:
    // `shell` (not owned) must outlive the panel.
    PLQAutomationPanel(PLQShell* shell, QWidget* parent = nullptr, const char* name = nullptr);

public slots:
    // During a run only the go/stop button ("Stop") stays usable.
    void lockInterface(bool lock);
    // Shows the model's values without emitting anything.
    void updateParameters();
    // Recomputes the enabled states of the check box and the go/stop button (not during a run).
    void updateButtons();

protected slots:
    void methodComboActivated(int index);
    void multiCheckBoxToggle(bool on);
    void jitterSpinChanged(int value);
    void coverSpinChanged(int value);
    void goStopButtonClicked();

signals:
    void propertiesChanged();
    // Chunk mixing was switched on or off.
    void multiInputToggle();
    // The user asked to start or stop the automatic process.
    void goStopClicked();

private:
    bool canChange() const;

    PLQShell* shell_;
    PlacementParameters* placement_;
    QComboBox* placementCombo_;
    QCheckBox* multiCheck_;
    QStackedWidget* propStack_;
    PLQSpinBox* jitterSpin_;
    PLQSpinBox* coverSpin_;
    QPushButton* goStopButton_;
};
