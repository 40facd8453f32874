#include "ui/PLQChunkPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "chunks/ImageCollection.h"
#include "session/PLQShell.h"
#include "ui/PLQGenerateDialog.h"
#include "ui/PLQSpinBox.h"

namespace {

QPushButton* makeButton(const QString& text, const char* name, const QString& tip, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    return button;
}

}  // namespace

PLQChunkPanel::PLQChunkPanel(PLQShell* shell, QWidget* parent, const char* name)
    : QFrame(parent), shell_(shell), images_(&shell->images()) {
    setObjectName(QLatin1String(name));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);

    auto* probRow = new QHBoxLayout;
    probRow->setSpacing(4);
    probSpin_ = new PLQSpinBox(0, 100, this, "probSpin");
    probSpin_->setSuffix(QStringLiteral(" %"));
    probSpin_->setToolTip(QStringLiteral("Current chunk probability to appear while mixing chunks."));
    probRow->addWidget(new QLabel(QStringLiteral("Probability"), this), 1);
    probRow->addWidget(probSpin_, 1);
    layout->addLayout(probRow);

    nextButton_ = makeButton(QStringLiteral("Next (Tab)"), "nextButton",
                             QStringLiteral("Jump to next chunk defined in this input image (Tab)"), this);
    nextButton_->setShortcut(Qt::Key_Tab);
    layout->addWidget(nextButton_);

    auto* listRow = new QHBoxLayout;
    listRow->setSpacing(4);
    auto* newButton = makeButton(QStringLiteral("New"), "newButton", QStringLiteral("Create a new chunk"), this);
    deleteButton_ = makeButton(QStringLiteral("Delete"), "deleteButton",
                               QStringLiteral("Delete the current chunk (At least one chunk must remain)"), this);
    deleteButton_->setShortcut(Qt::Key_Delete);
    listRow->addWidget(newButton);
    listRow->addWidget(deleteButton_);
    layout->addLayout(listRow);

    auto* generateButton = makeButton(QStringLiteral("Generate Randomly..."), "generateButton",
                                      QStringLiteral("Randomly choose chunks into the input image."), this);
    layout->addWidget(generateButton);
    layout->addStretch();

    updateParameters();
    connect(probSpin_, &PLQSpinBox::valueChanged, this, &PLQChunkPanel::probSpinChanged);
    connect(nextButton_, &QPushButton::clicked, this, &PLQChunkPanel::nextButtonClicked);
    connect(newButton, &QPushButton::clicked, this, &PLQChunkPanel::newButtonClicked);
    connect(deleteButton_, &QPushButton::clicked, this, &PLQChunkPanel::deleteButtonClicked);
    connect(generateButton, &QPushButton::clicked, this, &PLQChunkPanel::genButtonClicked);
    connect(this, &PLQChunkPanel::currentChunkChanged, this, &PLQChunkPanel::currentOrListChanged);
    connect(this, &PLQChunkPanel::chunkListChanged, this, &PLQChunkPanel::currentOrListChanged);
}

bool PLQChunkPanel::canEdit() const { return images_->currentImage() != nullptr && !shell_->isRunning(); }

void PLQChunkPanel::updateParameters() {
    const QSignalBlocker block(probSpin_);
    const InputImage* image = images_->currentImage();
    setEnabled(image != nullptr);
    if (image != nullptr) {
        const float probability = image->current().probability;
        probSpin_->setValue(probability < 0.0f ? 0 : int(probability * 100.0f + 0.5f));
        const bool several = image->chunkCount() > 1;
        deleteButton_->setEnabled(several);
        nextButton_->setEnabled(several);
    }
    probSpin_->setEnabled(shell_->placement().mixChunks);
}

void PLQChunkPanel::multiInputToggle() { probSpin_->setEnabled(shell_->placement().mixChunks); }

void PLQChunkPanel::lockInterface(bool lock) {
    setEnabled(!lock);
    if (!lock)
        probSpin_->setEnabled(shell_->placement().mixChunks);
    setCursor(lock ? Qt::BusyCursor : Qt::ArrowCursor);
}

void PLQChunkPanel::probSpinChanged(int percent) {
    if (!canEdit())
        return;
    images_->currentImage()->current().probability = Chunk::kUnassigned;
    images_->normaliseProbabilities(float(percent) * 0.01f);
    emit probChanged();
}

void PLQChunkPanel::nextButtonClicked() {
    if (!canEdit())
        return;
    images_->currentImage()->nextChunk();
    shell_->setChunkChanged();
    updateParameters();
    emit currentChunkChanged();
    emit selectionChanged();
}

void PLQChunkPanel::newButtonClicked() {
    if (!canEdit())
        return;
    images_->currentImage()->addChunk();
    images_->normaliseProbabilities(-1.0f);
    shell_->setChunkChanged();
    updateParameters();
    emit chunkListChanged();
    emit probChanged();
}

void PLQChunkPanel::deleteButtonClicked() {
    if (!canEdit())
        return;
    emit deleteSelectedChunks();
    updateParameters();
    emit chunkListChanged();
    emit probChanged();
}

void PLQChunkPanel::genButtonClicked() {
    if (!canEdit())
        return;
    PLQGenerateDialog dialog(shell_, window(), "generateDialog");
    if (dialog.exec() != QDialog::Accepted)
        return;
    updateParameters();
    emit chunkListChanged();
    emit probChanged();
}
