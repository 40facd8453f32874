#include "session/PLQChunkItem.h"

#include "chunks/InputImage.h"
#include "session/PLQImageItem.h"
#include "session/PLQShell.h"

PLQChunkItem::PLQChunkItem(PLQShell* shell, PLQImageItem* imageItem, size_t position)
    : QTreeWidgetItem(imageItem, kType), shell_(shell), imageItem_(imageItem) {
    setPosition(position);
}

PLQChunkItem::PLQChunkItem(PLQShell* shell, PLQImageItem* imageItem, QTreeWidgetItem* preceding, size_t position)
    : QTreeWidgetItem(imageItem, preceding, kType), shell_(shell), imageItem_(imageItem) {
    setPosition(position);
}

Chunk* PLQChunkItem::chunk() const { return imageItem_->image()->chunk(position_); }

void PLQChunkItem::setPosition(size_t position) {
    position_ = position;
    const int number = int(position) + 1;
    if (number == number_)
        return;
    number_ = number;
    setText(0, QStringLiteral("[Chunk %1]").arg(number_, 2));
}

void PLQChunkItem::refreshProb() {
    shownMixing_ = shell_->placement().mixChunks;
    const Chunk* shown = chunk();
    if (!shownMixing_ || shown == nullptr) {
        setText(1, QString());
        return;
    }
    shownPercent_ = shown->probability * 100.0f;
    setText(1, probabilityText(shownPercent_));
}

QString PLQChunkItem::probabilityText(float percent) {
    return QStringLiteral("Probability : %1%").arg(double(percent), 5, 'f', 0);
}
