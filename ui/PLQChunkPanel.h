#pragma once

#include <QFrame>

class ImageCollection;
class PLQShell;
class PLQSpinBox;
class QPushButton;

// The "Chunk options" panel: the current chunk's probability (used while chunks are mixed),
// moving to the next chunk (Tab), new and deleted chunks (Delete) and "Generate Randomly...".
// It changes the current image's chunk list and announces each change by a signal.
class PLQChunkPanel : public QFrame {
    Q_OBJECT

public:
    // `shell` is not owned and must outlive the panel.
    PLQChunkPanel(PLQShell* shell, QWidget* parent = nullptr, const char* name = nullptr);

public slots:
    void lockInterface(bool lock);
    // Refreshes the controls from the current image and chunk, without signals.
    void updateParameters();
    // "Mix chunks randomly" was switched: the probability is editable only while mixing.
    void multiInputToggle();

protected slots:
    void probSpinChanged(int percent);
    void nextButtonClicked();
    void newButtonClicked();
    void deleteButtonClicked();
    void genButtonClicked();

signals:
    void currentChunkChanged();
    void chunkListChanged();
    // Follows either of the two above.
    void currentOrListChanged();
    void probChanged();
    void selectionChanged();
    // The images panel deletes the chunks selected in its list.
    void deleteSelectedChunks();

private:
    bool canEdit() const;

    PLQShell* shell_;
    ImageCollection* images_;
    PLQSpinBox* probSpin_;
    QPushButton* deleteButton_;
    QPushButton* nextButton_;
};
