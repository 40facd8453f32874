#include "ui/PLQInputPanel.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "session/PLQShell.h"
#include "ui/EmbeddedImage.h"
#include "ui/PLQInputArea.h"

namespace {

QIcon embeddedIcon(const char* name) { return QIcon(embeddedPixmap(QLatin1String(name))); }

}  // namespace

PLQInputPanel::PLQInputPanel(PLQShell* shell, QWidget* parent, const char* name)
    : QFrame(parent), shell_(shell) {
    setObjectName(QLatin1String(name));
    setFrameStyle(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);

    inputArea_ = new PLQInputArea(shell, this, "inputArea");
    layout->addWidget(inputArea_, 0, Qt::AlignHCenter);

    toolBar_ = new QWidget(this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMaximumHeight(24);
    auto* tools = new QHBoxLayout(toolBar_);
    tools->setContentsMargins(0, 0, 0, 0);
    tools->setSpacing(0);
    selectButton_ = makeToolButton(QStringLiteral("selectButton"), QStringLiteral("Rectangular selection"));
    lassoButton_ = makeToolButton(QStringLiteral("lassoButton"), QStringLiteral("Lasso selection"));
    minMaxButton_ = makeToolButton(QStringLiteral("minMaxButton"),
                                   QStringLiteral("Switch beetween <font color=green>outer</font> / <font "
                                                  "color=red>inner</font> limits selection"));
    minMaxButton_->setIcon(embeddedIcon("icon_mandatory"));
    tools->addWidget(selectButton_);
    tools->addWidget(lassoButton_);
    tools->addWidget(minMaxButton_);
    tools->addWidget(new QFrame(toolBar_), 1);
    layout->addWidget(toolBar_, 0, Qt::AlignLeft);
    layout->addStretch();

    refreshToolBar();
    connect(inputArea_, &PLQInputArea::chunkChanged, this, &PLQInputPanel::chunkChanged);
    connect(selectButton_, &QPushButton::clicked, this, &PLQInputPanel::selectButtonClicked);
    connect(lassoButton_, &QPushButton::clicked, this, &PLQInputPanel::lassoButtonClicked);
    connect(minMaxButton_, &QPushButton::clicked, this, &PLQInputPanel::minMaxButtonClicked);
}

QPushButton* PLQInputPanel::makeToolButton(const QString& name, const QString& tip) {
    auto* button = new QPushButton(toolBar_);
    button->setObjectName(name);
    button->setCheckable(true);
    button->setMaximumWidth(29);
    button->setIconSize(QSize(18, 16));
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

// The tool buttons show the tool in use, drawn for the limit being edited.
void PLQInputPanel::refreshToolBar() {
    toolBar_->setVisible(shell_->images().currentImage() != nullptr);
    const bool inner = inputArea_->innerMode();
    const SelectionTool tool = inputArea_->tool();
    selectButton_->setChecked(tool == SelectionTool::Rectangle);
    selectButton_->setIcon(embeddedIcon(inner ? "icon_select_forced" : "icon_select_crop"));
    lassoButton_->setChecked(tool == SelectionTool::Lasso);
    lassoButton_->setIcon(embeddedIcon(inner ? "icon_lasso_forced" : "icon_lasso_crop"));
    minMaxButton_->setChecked(inner);
}

void PLQInputPanel::lockInterface(bool lock) {
    toolBar_->setEnabled(!lock);
    inputArea_->lockInterface(lock);
}

void PLQInputPanel::updateChunk() {
    refreshToolBar();
    inputArea_->updateChunk();
}

void PLQInputPanel::updateChunkAndImage() {
    refreshToolBar();
    inputArea_->updateChunkAndImage();
}

void PLQInputPanel::updateImage() { inputArea_->updateImage(); }

void PLQInputPanel::selectButtonClicked() {
    inputArea_->setTool(SelectionTool::Rectangle);
    refreshToolBar();
}

void PLQInputPanel::lassoButtonClicked() {
    inputArea_->setTool(SelectionTool::Lasso);
    refreshToolBar();
}

void PLQInputPanel::minMaxButtonClicked() {
    inputArea_->setInnerMode(!inputArea_->innerMode());
    refreshToolBar();
}

void PLQInputPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    inputArea_->parentFrameResized(event->size().width());
}
