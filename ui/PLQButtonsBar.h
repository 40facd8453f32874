#pragma once

#include <QFrame>

class PLQProgress;
class PLQShell;
class QPushButton;

// The strip along the bottom of the window: Undo, Redo, Clear and "Paste Input", the
// activity indicator, and Apply and Cancel, which end the session. One signal per button.
class PLQButtonsBar : public QFrame {
    Q_OBJECT

public:
    // `shell` (not owned) must outlive the bar.
    PLQButtonsBar(PLQShell* shell, QWidget* parent = nullptr, const char* name = nullptr);

public slots:
    // Undo and Redo follow the history; nothing changes while a run is active.
    void updateButtons();
    // During a run the indicator moves and only Apply and Cancel stay usable.
    void lockInterface(bool lock);

signals:
    void applyButtonClicked();
    void cancelButtonClicked();
    void undoButtonClicked();
    void redoButtonClicked();
    void clearButtonClicked();
    void pasteButtonClicked();

private:
    PLQShell* shell_;
    QPushButton* applyButton_;
    QPushButton* cancelButton_;
    QPushButton* undoButton_;
    QPushButton* redoButton_;
    QPushButton* clearButton_;
    QPushButton* pasteButton_;
    PLQProgress* progressBar_;
};
