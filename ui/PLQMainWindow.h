#pragma once

#include <cstdint>

#include <QDialog>

#include "session/PLQShell.h"

class PLQAutomationPanel;
class PLQButtonsBar;
class PLQChunkPanel;
class PLQDockWindow;
class PLQFilterPanel;
class PLQImagesPanel;
class PLQInputPanel;
class PLQOutputFrame;
class QBoxLayout;
class QScrollArea;
class QSplitter;

// The filter's window: holds the session and every panel, lays them out and alone connects
// them. "Apply" and "Cancel" (and closing the window, which counts as "Cancel") stop a
// running process and end the dialog; applied() then tells whether the output is wanted.
class PLQMainWindow : public QDialog {
    Q_OBJECT

public:
    // A session over width x height host pixels (not owned; they receive the output and must
    // outlive the window). `flags` are added to those of a dialog with title bar buttons.
    PLQMainWindow(uint32_t width, uint32_t height, uint32_t* pixels, QWidget* parent = nullptr,
                  const char* name = nullptr, Qt::WindowFlags flags = {});
    // The panels go first, so that none of them outlives the session it shows; then the
    // session waits for its worker.
    ~PLQMainWindow() override;

    PLQShell& shell() { return shell_; }
    // True after "Apply"; false after "Cancel", closing, or while the window is open.
    bool applied() const { return applied_; }

    PLQAutomationPanel* automationPanel() const { return automationPanel_; }
    PLQButtonsBar* buttonsBar() const { return buttonsBar_; }
    PLQChunkPanel* chunkPanel() const { return chunkPanel_; }
    PLQFilterPanel* filterPanel() const { return filterPanel_; }
    PLQImagesPanel* imagePanel() const { return imagePanel_; }
    PLQInputPanel* inputPanel() const { return inputPanel_; }
    PLQOutputFrame* outputFrame() const { return outputFrame_; }

public slots:
    void applyClicked();
    void cancelClicked();
    // Closing the window with its title bar button or by the system counts as "Cancel".
    void reject() override;

protected:
    // The first showing gives the output view the width it needs, when the panels can spare it.
    void showEvent(QShowEvent* event) override;
    // Escape stops a run and never closes the window; Return clicks no default button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildWidgets();
    QBoxLayout* buildLayouts();
    void connectPanels();
    void createShortcuts();
    PLQDockWindow* makeDock(QWidget* parent, const char* name, const QString& caption);

    PLQShell shell_;
    bool applied_ = false;
    PLQAutomationPanel* automationPanel_ = nullptr;
    PLQButtonsBar* buttonsBar_ = nullptr;
    PLQChunkPanel* chunkPanel_ = nullptr;
    PLQFilterPanel* filterPanel_ = nullptr;
    PLQImagesPanel* imagePanel_ = nullptr;
    PLQInputPanel* inputPanel_ = nullptr;
    PLQOutputFrame* outputFrame_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QScrollArea* scrollView_ = nullptr;
    QWidget* rightPane_ = nullptr;
    bool shown_ = false;
};
