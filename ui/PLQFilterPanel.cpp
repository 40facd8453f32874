#include "ui/PLQFilterPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "session/PLQShell.h"
#include "ui/PLQSpinBox.h"

PLQFilterPanel::PLQFilterPanel(PLQShell* shell, QWidget* parent, const char* name) : QFrame(parent), shell_(shell) {
    setObjectName(QString::fromUtf8(name));
    setFrameStyle(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);

    enableFilterCheck_ = new QCheckBox(QStringLiteral("Activate highpass-filtering"), this);
    enableFilterCheck_->setObjectName(QStringLiteral("enableFilterCheck"));
    enableFilterCheck_->setToolTip(
        QStringLiteral("Pre-filter the selected input image to remove illumination artifacts."));
    layout->addWidget(enableFilterCheck_);

    auto* grid = new QGridLayout();
    grid->setSpacing(5);
    grid->addWidget(new QLabel(QStringLiteral("Filter Size"), this), 0, 0, Qt::AlignRight);
    sizeSpin_ = new PLQSpinBox(1, 25, this, "sizeSpin");
    sizeSpin_->setToolTip(QStringLiteral("Defines the intensity of the pre-filtering process."));
    grid->addWidget(sizeSpin_, 0, 1);
    layout->addLayout(grid);

    updateParameters();

    connect(sizeSpin_, &PLQSpinBox::valueChanged, this, &PLQFilterPanel::changeSize);
    connect(enableFilterCheck_, &QCheckBox::toggled, this, &PLQFilterPanel::changeEnabled);
}

void PLQFilterPanel::updateParameters() {
    const QSignalBlocker blockCheck(enableFilterCheck_), blockSpin(sizeSpin_);
    const InputImage* image = shell_->images().currentImage();
    enableFilterCheck_->setEnabled(image != nullptr);
    if (!image) {
        enableFilterCheck_->setChecked(false);
        sizeSpin_->setEnabled(false);
        return;
    }
    const int radius = image->filterRadius();
    enableFilterCheck_->setChecked(radius > 0);
    sizeSpin_->setEnabled(radius > 0);
    // A switched-off filter keeps showing its last radius.
    if (radius > 0)
        sizeSpin_->setValue(radius);
}

void PLQFilterPanel::changeSize(int radius) {
    InputImage* image = shell_->images().currentImage();
    if (!image || shell_->isRunning())
        return;
    image->setFilterRadius(radius);
    shell_->setChunkChanged();
    emit filterImageChanged();
}

void PLQFilterPanel::changeEnabled(bool on) {
    InputImage* image = shell_->images().currentImage();
    if (!image || shell_->isRunning())
        return;
    image->setFilterRadius(on ? kDefaultRadius : 0);
    const QSignalBlocker blockSpin(sizeSpin_);
    if (on)
        sizeSpin_->setValue(kDefaultRadius);
    shell_->setChunkChanged();
    sizeSpin_->setEnabled(on);
    emit filterImageChanged();
}

void PLQFilterPanel::lockInterface(bool lock) {
    setEnabled(!lock);
    setCursor(lock ? Qt::BusyCursor : Qt::ArrowCursor);
    if (!lock)
        updateParameters();
}
