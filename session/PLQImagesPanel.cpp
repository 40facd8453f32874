#include "session/PLQImagesPanel.h"

#include <algorithm>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "chunks/ImageCollection.h"
#include "session/ImageFormatTable.h"
#include "session/ImageLoader.h"
#include "session/MessageBoxReporter.h"
#include "session/PLQChunkItem.h"
#include "session/PLQImageItem.h"
#include "session/PLQShell.h"

namespace {

constexpr int kBlinkPeriodMs = 750;
constexpr int kBlinkTicks = 6;
constexpr int kIndentation = 12;

PLQImageItem* asImageItem(QTreeWidgetItem* item) {
    return item != nullptr && item->type() == PLQImageItem::kType ? static_cast<PLQImageItem*>(item) : nullptr;
}

PLQChunkItem* asChunkItem(QTreeWidgetItem* item) {
    return item != nullptr && item->type() == PLQChunkItem::kType ? static_cast<PLQChunkItem*>(item) : nullptr;
}

// The image row a row belongs to: itself or its parent.
PLQImageItem* owningImageItem(QTreeWidgetItem* item) {
    if (PLQChunkItem* chunk = asChunkItem(item))
        return chunk->imageItem();
    return asImageItem(item);
}

}  // namespace

PLQImagesPanel::PLQImagesPanel(PLQShell* shell, QWidget* parent, const char* name)
    : QFrame(parent), shell_(shell), images_(&shell->images()) {
    setObjectName(QLatin1String(name));
    setFrameStyle(QFrame::NoFrame);

    listView_ = new QTreeWidget(this);
    listView_->setObjectName(QStringLiteral("imagesListView"));
    listView_->setColumnCount(2);
    listView_->setHeaderLabels({QStringLiteral("Preview"), QStringLiteral("Infos")});
    listView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listView_->setIconSize(QSize(PLQImageItem::kPreviewSide, PLQImageItem::kPreviewSide));
    // Column 0 holds the previews of image rows and the names of the chunk rows below them.
    listView_->setIndentation(kIndentation);
    const int chunkName = listView_->fontMetrics().horizontalAdvance(QStringLiteral("[Chunk 99]"));
    listView_->setColumnWidth(0, std::max(PLQImageItem::kPreviewSide + kIndentation + 8, 2 * kIndentation + chunkName + 12));
    listView_->header()->setStretchLastSection(true);

    addButton_ = new QPushButton(QStringLiteral("Add"), this);
    addButton_->setObjectName(QStringLiteral("addButton"));
    addButton_->setToolTip(QStringLiteral("Add input images to the list."));
    removeButton_ = new QPushButton(QStringLiteral("Remove"), this);
    removeButton_->setObjectName(QStringLiteral("removeButton"));
    removeButton_->setToolTip(QStringLiteral("Remove current image from the list."));
    removeButton_->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->addWidget(listView_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addButton_);
    buttons->addWidget(removeButton_);
    buttons->addStretch();
    layout->addLayout(buttons);

    blinkTimer_ = new QTimer(this);
    blinkTimer_->setObjectName(QStringLiteral("blinkTimer"));

    connect(addButton_, &QPushButton::clicked, this, &PLQImagesPanel::addButtonClicked);
    connect(removeButton_, &QPushButton::clicked, this, &PLQImagesPanel::removeButtonClicked);
    connect(listView_, &QTreeWidget::itemSelectionChanged, this, &PLQImagesPanel::selectMultiple);
    connect(listView_, &QTreeWidget::currentItemChanged, this, &PLQImagesPanel::selectCurrent);
    connect(this, &PLQImagesPanel::inputImageChanged, this, &PLQImagesPanel::imageOrChunkChanged);
    connect(this, &PLQImagesPanel::inputChunkChanged, this, &PLQImagesPanel::imageOrChunkChanged);
    connect(blinkTimer_, &QTimer::timeout, this, &PLQImagesPanel::blinkStart);
    blinkTimer_->start(kBlinkPeriodMs);

    chooseFiles_ = [this](QWidget* dialogParent) { return chooseWithDialog(dialogParent); };
}

int PLQImagesPanel::widthForProbabilities() const {
    // The item views keep this margin on each side of a cell's text.
    const int textMargins = 2 * (listView_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, listView_) + 1);
    const int text = listView_->fontMetrics().horizontalAdvance(PLQChunkItem::probabilityText(100.0f));
    // The scroll bar takes its share once the list outgrows the panel.
    const int scrollBar = listView_->verticalScrollBar()->sizeHint().width();
    const QMargins margins = layout()->contentsMargins();
    return margins.left() + margins.right() + 2 * listView_->frameWidth() + listView_->columnWidth(0) + text +
           textMargins + scrollBar;
}

PLQImageItem* PLQImagesPanel::imageItem(uint32_t key) const {
    for (int i = 0; i < listView_->topLevelItemCount(); ++i) {
        PLQImageItem* item = asImageItem(listView_->topLevelItem(i));
        if (item != nullptr && item->key() == key)
            return item;
    }
    return nullptr;
}

PLQChunkItem* PLQImagesPanel::chunkItem(uint32_t key, size_t position) const {
    PLQImageItem* item = imageItem(key);
    if (item == nullptr || position >= size_t(item->childCount()))
        return nullptr;
    return asChunkItem(item->child(int(position)));
}

PLQImageItem* PLQImagesPanel::currentImageItem() const { return imageItem(images_->currentKey()); }

QStringList PLQImagesPanel::chooseWithDialog(QWidget* parent) {
    const QString start = shell_->settings().value(QStringLiteral("openPath"), QString()).toString();
    const QString filter = ImageFormatTable::dialogFilter(QImageReader::supportedImageFormats());
    return QFileDialog::getOpenFileNames(parent, QStringLiteral("Choose input image(s)"), start, filter);
}

void PLQImagesPanel::addButtonClicked() {
    if (shell_->isRunning())
        return;
    QStringList paths;
    {
        const QSignalBlocker block(listView_);
        paths = chooseFiles_(window());
    }
    if (!paths.isEmpty())
        loadImages(paths);
}

void PLQImagesPanel::loadImages(const QStringList& paths) {
    if (shell_->isRunning() || paths.isEmpty())
        return;
    {
        const QSignalBlocker block(listView_);
        MessageBoxReporter boxes(window());
        WarningReporter& warnings = warnings_ != nullptr ? *warnings_ : boxes;
        ImageLoader loader(*images_, warnings);
        const PixelBuffer& output = shell_->output();
        const QSize outputSize(int(output.width()), int(output.height()));
        std::vector<uint32_t> keys;
        // Each image gets its row as soon as it is in, so a warning box about a later file
        // shows the list as it stands.
        for (const QString& path : paths) {
            for (uint32_t key : loader.loadFiles({path}, outputSize))
                addImageRow(key, QFileInfo(path).fileName());
        }
        // "openPath" follows the first file of the list, whatever became of the others.
        shell_->settings().setValue(QStringLiteral("openPath"), QFileInfo(paths.first()).absolutePath());
        shell_->setChunkChanged();
    }
    emit refreshProb();
    updateSelection();
    emit inputImageChanged();
}

void PLQImagesPanel::addImageRow(uint32_t key, const QString& fileName) {
    InputImage* image = images_->find(key);
    if (image == nullptr)
        return;
    auto* item = new PLQImageItem(listView_, key, fileName, image);
    item->setExpanded(true);
    rebuildChunkRows(item);
}

PLQChunkItem* PLQImagesPanel::addChunkRow(PLQImageItem* item, QTreeWidgetItem* preceding, size_t position) {
    auto* row = new PLQChunkItem(shell_, item, preceding, position);
    connect(this, &PLQImagesPanel::refreshProb, row, &PLQChunkItem::refreshProb);
    return row;
}

// Makes the rows match the image's chunks, keeping the rows that are already there.
void PLQImagesPanel::rebuildChunkRows(PLQImageItem* item) {
    const size_t count = item->image()->chunkCount();
    QTreeWidgetItem* preceding = nullptr;
    for (size_t position = 0; position < count; ++position) {
        PLQChunkItem* row = position < size_t(item->childCount()) ? asChunkItem(item->child(int(position))) : nullptr;
        if (row != nullptr)
            row->setPosition(position);
        else
            row = addChunkRow(item, preceding, position);
        preceding = row;
    }
    while (size_t(item->childCount()) > count)
        delete item->takeChild(item->childCount() - 1);
}

void PLQImagesPanel::updateChunks() {
    PLQImageItem* item = currentImageItem();
    if (item != nullptr) {
        const QSignalBlocker block(listView_);
        rebuildChunkRows(item);
        emit refreshProb();
    }
    updateSelection();
}

void PLQImagesPanel::lockInterface(bool lock) {
    setEnabled(!lock);
    setCursor(lock ? Qt::BusyCursor : Qt::ArrowCursor);
}

void PLQImagesPanel::updateSelection() {
    const QSignalBlocker block(listView_);
    listView_->clearSelection();
    PLQImageItem* item = currentImageItem();
    if (item == nullptr) {
        listView_->setCurrentItem(nullptr, 0, QItemSelectionModel::NoUpdate);
        updateRemoveButton();
        return;
    }
    item->setSelected(true);
    QTreeWidgetItem* chunkRow = chunkItem(item->key(), item->image()->currentChunk());
    if (chunkRow != nullptr)
        chunkRow->setSelected(true);
    QTreeWidgetItem* current = item->isExpanded() && chunkRow != nullptr ? chunkRow : item;
    listView_->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    updateRemoveButton();
}

void PLQImagesPanel::updateRemoveButton() {
    removeButton_->setEnabled(asImageItem(listView_->currentItem()) != nullptr);
}

void PLQImagesPanel::selectCurrent() {
    QTreeWidgetItem* row = listView_->currentItem();
    if (PLQImageItem* item = asImageItem(row)) {
        images_->setCurrent(item->key());
        shell_->setChunkChanged();
        emit inputImageChanged();
    } else if (PLQChunkItem* chunkRow = asChunkItem(row)) {
        const uint32_t key = chunkRow->imageItem()->key();
        chunkRow->imageItem()->image()->setCurrentChunk(chunkRow->position());
        shell_->setChunkChanged();
        if (images_->currentKey() != key) {
            images_->setCurrent(key);
            emit inputImageChanged();
        } else {
            emit inputChunkChanged();
        }
    } else {
        emit inputImageChanged();
    }
    updateRemoveButton();
}

void PLQImagesPanel::selectMultiple() {
    const QSignalBlocker block(listView_);
    QTreeWidgetItem* row = listView_->currentItem();
    PLQImageItem* owner = owningImageItem(row);
    if (owner == nullptr) {
        listView_->clearSelection();
        return;
    }
    if (asImageItem(row) != nullptr) {
        listView_->clearSelection();
        owner->setSelected(true);
        if (QTreeWidgetItem* chunkRow = chunkItem(owner->key(), owner->image()->currentChunk()))
            chunkRow->setSelected(true);
        return;
    }
    owner->setSelected(true);
    for (QTreeWidgetItem* selected : listView_->selectedItems())
        if (selected != owner && owningImageItem(selected) != owner)
            selected->setSelected(false);
    bool anyChunk = false;
    for (int i = 0; i < owner->childCount(); ++i)
        anyChunk = anyChunk || owner->child(i)->isSelected();
    if (!anyChunk)
        if (QTreeWidgetItem* chunkRow = chunkItem(owner->key(), owner->image()->currentChunk()))
            chunkRow->setSelected(true);
}

// The chunks of the selected rows when the current row is one of the current image's chunk
// rows, otherwise the current chunk; highest position first, so earlier positions stay valid.
std::vector<size_t> PLQImagesPanel::chunksToDelete(PLQImageItem* item) const {
    std::vector<size_t> positions;
    PLQChunkItem* currentRow = asChunkItem(listView_->currentItem());
    if (currentRow != nullptr && currentRow->imageItem() == item) {
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->isSelected())
                positions.push_back(size_t(i));
    }
    if (positions.empty())
        positions.push_back(item->image()->currentChunk());
    std::sort(positions.rbegin(), positions.rend());
    return positions;
}

void PLQImagesPanel::deleteSelectedChunks() {
    selectMultiple();
    PLQImageItem* item = currentImageItem();
    if (shell_->isRunning() || item == nullptr)
        return;
    InputImage* image = item->image();
    bool refused = false;
    for (size_t position : chunksToDelete(item)) {
        if (image->chunkCount() > 1)
            image->removeChunk(position);
        else
            refused = true;
    }
    if (refused)
        QApplication::beep();
    // The current chunk may have gone: the next paste must not use its old pixels.
    shell_->setChunkChanged();
    const QSignalBlocker block(listView_);
    rebuildChunkRows(item);
}

void PLQImagesPanel::removeButtonClicked() {
    if (shell_->isRunning())
        return;
    PLQImageItem* item = asImageItem(listView_->currentItem());
    if (item == nullptr)
        return;
    {
        const QSignalBlocker block(listView_);
        images_->removeImage(item->key());
        images_->normaliseProbabilities(0.0f);
        delete item;
        // Another image, or none, is current now.
        shell_->setChunkChanged();
    }
    emit refreshProb();
    updateSelection();
    emit inputImageChanged();
}

void PLQImagesPanel::blinkStart() {
    ++blinkTicks_;
    const bool on = (blinkTicks_ & 1) != 0;
    addButton_->setCheckable(true);
    addButton_->setChecked(on);
    addButton_->setText(on ? QStringLiteral("Start here") : QStringLiteral("Add"));
    if (blinkTicks_ >= kBlinkTicks) {
        blinkTimer_->stop();
        addButton_->setCheckable(false);
    }
}
