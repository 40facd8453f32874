#pragma once

#include <QFrame>

class PLQInputArea;
class PLQShell;
class QPushButton;
class QWidget;

// The "Current chunk" panel: the chunk editor and its tool bar (rectangle or lasso tool, and
// the switch between the outer and the inner limit). The tool bar shows only while there is
// a current image.
class PLQInputPanel : public QFrame {
    Q_OBJECT

public:
    // `shell` is not owned and must outlive the panel.
    PLQInputPanel(PLQShell* shell, QWidget* parent = nullptr, const char* name = nullptr);

    PLQInputArea* inputArea() const { return inputArea_; }

public slots:
    // While locked the tool bar is disabled and the editor ignores the mouse.
    void lockInterface(bool lock);
    // The current chunk or the chunk list changed.
    void updateChunk();
    // Another image became current.
    void updateChunkAndImage();
    // The current image's pixels changed (pre-filter).
    void updateImage();
    void selectButtonClicked();
    void lassoButtonClicked();
    void minMaxButtonClicked();

signals:
    // The current chunk's limits were changed in the editor.
    void chunkChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPushButton* makeToolButton(const QString& name, const QString& tip);
    void refreshToolBar();

    PLQShell* shell_;
    PLQInputArea* inputArea_;
    QWidget* toolBar_;
    QPushButton* selectButton_;
    QPushButton* lassoButton_;
    QPushButton* minMaxButton_;
};
