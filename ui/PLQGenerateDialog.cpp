#include "ui/PLQGenerateDialog.h"

#include <ctime>

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "chunks/RandomChunks.h"
#include "session/PLQShell.h"
#include "ui/PLQSpinBox.h"

PLQGenerateDialog::PLQGenerateDialog(PLQShell* shell, QWidget* parent, const char* name)
    : QDialog(parent), shell_(shell) {
    setObjectName(QLatin1String(name));
    setModal(true);
    setWindowTitle(QStringLiteral("Generate Chunks..."));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(5, 5, 5, 5);
    grid->setSpacing(4);

    numberChunks_ = new PLQSpinBox(1, 100, this, "numberChunks");
    numberChunks_->setValue(10);
    sizeChunks_ = new PLQSpinBox(5, 80, this, "sizeChunks");
    sizeChunks_->setValue(20);
    sizeChunks_->setSuffix(QStringLiteral(" %"));
    sizeChunks_->setToolTip(QStringLiteral(
        "Relative size of the chunks to be produced, according to the size of the input image."));
    auto* okButton = new QPushButton(QStringLiteral("Generate"), this);
    okButton->setObjectName(QStringLiteral("okButton"));

    grid->addWidget(new QLabel(QStringLiteral("           Number of chunks"), this), 0, 0, Qt::AlignRight);
    grid->addWidget(numberChunks_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Size of chunks"), this), 1, 0, Qt::AlignRight);
    grid->addWidget(sizeChunks_, 1, 1);
    grid->addWidget(okButton, 2, 1, Qt::AlignRight);

    connect(okButton, &QPushButton::clicked, this, &PLQGenerateDialog::generateOk);
    activateWindow();
}

void PLQGenerateDialog::generateOk() {
    if (shell_->images().currentImage() == nullptr || shell_->isRunning())
        return;
    shell_->random().seed(uint32_t(std::clock()));
    generateChunks(shell_->images(), shell_->images().currentKey(), numberChunks_->value(),
                   float(sizeChunks_->value()) * 0.01f, shell_->random());
    accept();
}
