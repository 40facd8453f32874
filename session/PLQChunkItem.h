#pragma once

#include <cstddef>

#include <QObject>
#include <QTreeWidgetItem>

class PLQImageItem;
class PLQShell;
struct Chunk;

// A child row of an image row: one chunk of that image, "[Chunk  n]", and its probability
// while chunks are mixed. The row names its chunk by position in the image's chunk list,
// never by address: the list may move its chunks when it grows or shrinks.
class PLQChunkItem : public QObject, public QTreeWidgetItem {
    Q_OBJECT

public:
    static constexpr int kType = QTreeWidgetItem::UserType + 2;

    // Appended under `imageItem` for the chunk at 0-based `position`; `shell` is not owned.
    PLQChunkItem(PLQShell* shell, PLQImageItem* imageItem, size_t position);
    // Inserted under `imageItem` after the row `preceding` (null: as the first child).
    PLQChunkItem(PLQShell* shell, PLQImageItem* imageItem, QTreeWidgetItem* preceding, size_t position);

    PLQImageItem* imageItem() const { return imageItem_; }
    size_t position() const { return position_; }
    // The chunk shown, or null when the image no longer has that many chunks.
    Chunk* chunk() const;
    // 1-based number shown in column 0.
    int number() const { return number_; }
    // Points the row at the chunk at `position`; column 0 changes only with the number.
    void setPosition(size_t position);

    // Column 1 while mixing: "Probability : nn%", the percentage right-aligned in five places.
    static QString probabilityText(float percent);

    float shownPercent() const { return shownPercent_; }
    bool shownMixing() const { return shownMixing_; }

public slots:
    // Shows "Probability : nn%" while chunks are mixed, nothing otherwise.
    void refreshProb();

private:
    PLQShell* shell_;
    PLQImageItem* imageItem_;
    size_t position_ = 0;
    float shownPercent_ = -1.0f;
    bool shownMixing_ = false;
    int number_ = -1;
};
