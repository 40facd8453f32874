#pragma once

#include <QDialog>

class PLQShell;
class PLQSpinBox;

// "Generate Chunks...": asks for a number of chunks and their size relative to the input
// image, and on "Generate" adds that many random rectangular chunks to the current image.
class PLQGenerateDialog : public QDialog {
    Q_OBJECT

public:
    // `shell` is not owned and must outlive the dialog.
    PLQGenerateDialog(PLQShell* shell, QWidget* parent = nullptr, const char* name = nullptr);

    PLQSpinBox* numberChunks() const { return numberChunks_; }
    PLQSpinBox* sizeChunks() const { return sizeChunks_; }

public slots:
    // Generates and closes the dialog; does nothing (the dialog stays open) without a current
    // image or during a run.
    void generateOk();

private:
    PLQShell* shell_;
    PLQSpinBox* numberChunks_;
    PLQSpinBox* sizeChunks_;
};
