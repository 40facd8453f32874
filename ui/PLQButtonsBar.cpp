#include "ui/PLQButtonsBar.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>

#include "session/PLQShell.h"
#include "ui/PLQProgress.h"

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, const QString& toolTip) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    if (!toolTip.isEmpty())
        button->setToolTip(toolTip);
    return button;
}

}  // namespace

PLQButtonsBar::PLQButtonsBar(PLQShell* shell, QWidget* parent, const char* name) : QFrame(parent), shell_(shell) {
    setObjectName(QString::fromUtf8(name));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);

    applyButton_ = makeButton(this, "applyButton", QStringLiteral("Apply"),
                              QStringLiteral("Exit the interface and apply the result."));
    QFont bold = applyButton_->font();
    bold.setBold(true);
    applyButton_->setFont(bold);
    cancelButton_ = makeButton(this, "cancelButton", QStringLiteral("Cancel"),
                               QStringLiteral("Exit the interface <b>without</b> applying the result."));
    undoButton_ = makeButton(this, "undoButton", QStringLiteral("Undo"),
                             QStringLiteral("Undo the previous operation (Ctrl+Z)."));
    undoButton_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    redoButton_ = makeButton(this, "redoButton", QStringLiteral("Redo"),
                             QStringLiteral("Redo the canceled operation (Ctrl+Y)."));
    redoButton_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Y")));
    clearButton_ = makeButton(this, "clearButton", QStringLiteral("Clear"), QString());
    pasteButton_ = makeButton(this, "pasteButton", QStringLiteral("Paste Input"),
                              QStringLiteral("Paste the input image into the buffer."));
    progressBar_ = new PLQProgress(this, "progressBar");

    layout->addWidget(undoButton_);
    layout->addWidget(redoButton_);
    layout->addWidget(clearButton_);
    layout->addWidget(pasteButton_);
    layout->addStretch(1);
    layout->addWidget(progressBar_);
    layout->addWidget(applyButton_);
    layout->addWidget(cancelButton_);

    updateButtons();

    connect(applyButton_, &QPushButton::clicked, this, &PLQButtonsBar::applyButtonClicked);
    connect(cancelButton_, &QPushButton::clicked, this, &PLQButtonsBar::cancelButtonClicked);
    connect(undoButton_, &QPushButton::clicked, this, &PLQButtonsBar::undoButtonClicked);
    connect(redoButton_, &QPushButton::clicked, this, &PLQButtonsBar::redoButtonClicked);
    connect(clearButton_, &QPushButton::clicked, this, &PLQButtonsBar::clearButtonClicked);
    connect(pasteButton_, &QPushButton::clicked, this, &PLQButtonsBar::pasteButtonClicked);
}

void PLQButtonsBar::updateButtons() {
    if (shell_->isRunning())
        return;
    undoButton_->setEnabled(shell_->canUndo());
    redoButton_->setEnabled(shell_->canRedo());
}

void PLQButtonsBar::lockInterface(bool lock) {
    if (lock) {
        progressBar_->start();
        undoButton_->setEnabled(false);
        redoButton_->setEnabled(false);
    } else {
        progressBar_->stop();
        updateButtons();
    }
    clearButton_->setEnabled(!lock);
    pasteButton_->setEnabled(!lock);
}
