#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <QFrame>
#include <QStringList>

class ImageCollection;
class PLQChunkItem;
class PLQImageItem;
class PLQShell;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class WarningReporter;

// The "Input images" panel: the session's input images, each with a preview, its size and
// its chunks as child rows (with their probabilities while chunks are mixed). Choosing a row
// chooses the current image or chunk; several chunks of one image can be selected for
// deletion; "Add" loads image files, "Remove" drops the current image.
class PLQImagesPanel : public QFrame {
    Q_OBJECT

public:
    // Asks the user for image files; an empty list means none was chosen.
    using FileChooser = std::function<QStringList(QWidget* parent)>;

    // `shell` is not owned and must outlive the panel.
    PLQImagesPanel(PLQShell* shell, QWidget* parent = nullptr, const char* name = nullptr);

    QTreeWidget* listView() const { return listView_; }
    // The panel width, in pixels, at which a chunk row shows "Probability : 100%" whole in
    // the current font; the window keeps the panel at least this wide.
    int widthForProbabilities() const;
    QPushButton* addButton() const { return addButton_; }
    QPushButton* removeButton() const { return removeButton_; }
    // The row of the image with `key`, or null.
    PLQImageItem* imageItem(uint32_t key) const;
    // The row of the chunk at `position` of the image with `key`, or null.
    PLQChunkItem* chunkItem(uint32_t key, size_t position) const;

    // Replaces the file dialog (tests, scripted sessions).
    void setFileChooser(FileChooser chooser) { chooseFiles_ = std::move(chooser); }
    // Where loading warnings go; null (the default) shows them in message boxes captioned
    // "Patchloom". The reporter is not owned.
    void setWarningReporter(WarningReporter* reporter) { warnings_ = reporter; }
    // Loads `paths` as "Add" does after its dialog; unreadable files are skipped with a
    // warning. Nothing while a run is active.
    void loadImages(const QStringList& paths);
    // The "Choose input image(s)" dialog, starting in "openPath".
    QStringList chooseWithDialog(QWidget* parent);

public slots:
    // Rebuilds the chunk rows of the current image, then the selection.
    void updateChunks();
    void lockInterface(bool lock);
    // Selects the current image's row and its current chunk's row.
    void updateSelection();
    // Deletes the selected chunks of the current image (or its current chunk); the last
    // chunk of an image stays, with a beep.
    void deleteSelectedChunks();
    void addButtonClicked();
    void removeButtonClicked();
    // The selection changed: keep it within one image.
    void selectMultiple();
    // The current row changed: make its image or chunk current.
    void selectCurrent();
    // One tick of the "Start here" blinking of the add button.
    void blinkStart();

signals:
    void inputImageChanged();
    void inputChunkChanged();
    // Re-emitted from either of the two above.
    void imageOrChunkChanged();
    // Every chunk row refreshes its probability.
    void refreshProb();

private:
    PLQImageItem* currentImageItem() const;
    void addImageRow(uint32_t key, const QString& fileName);
    void rebuildChunkRows(PLQImageItem* item);
    PLQChunkItem* addChunkRow(PLQImageItem* item, QTreeWidgetItem* preceding, size_t position);
    std::vector<size_t> chunksToDelete(PLQImageItem* item) const;
    void updateRemoveButton();

    PLQShell* shell_;
    ImageCollection* images_;
    QTreeWidget* listView_;
    QPushButton* addButton_;
    QPushButton* removeButton_;
    QTimer* blinkTimer_;
    int blinkTicks_ = 0;
    FileChooser chooseFiles_;
    WarningReporter* warnings_ = nullptr;
};
