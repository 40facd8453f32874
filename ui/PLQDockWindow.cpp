#include "ui/PLQDockWindow.h"

#include <QEvent>
#include <QPainter>
#include <QSpacerItem>
#include <QStyleOptionDockWidget>
#include <QVBoxLayout>

#include "ui/PLQStyle.h"

namespace {
constexpr int kBottomSpacing = 14;
}

PLQDockWindow::PLQDockWindow(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QFrame(parent, flags), layout_(new QVBoxLayout(this)) {
    setObjectName(QString::fromUtf8(name));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    layout_->setContentsMargins(1, 1, 1, 1);
    layout_->addSpacing(kTitleHeight);
}

void PLQDockWindow::setWidget(QWidget* panel) {
    if (panel_) {
        layout_->removeWidget(panel_);
        panel_ = nullptr;
    }
    // Each panel brings its own bottom spacing; the old one goes with the old panel.
    if (bottomSpacing_) {
        layout_->removeItem(bottomSpacing_);
        delete bottomSpacing_;
        bottomSpacing_ = nullptr;
    }
    if (!panel)
        return;
    panel_ = panel;
    layout_->addWidget(panel, 1);
    bottomSpacing_ = new QSpacerItem(0, kBottomSpacing, QSizePolicy::Minimum, QSizePolicy::Fixed);
    layout_->addItem(bottomSpacing_);
}

void PLQDockWindow::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (!titleShown_)
        return;
    QPainter painter(this);
    QStyleOptionDockWidget option;
    option.initFrom(this);
    option.rect = QRect(0, 0, width(), kTitleHeight);
    option.title = windowTitle();
    style()->drawPrimitive(PLQStyle::PE_DockTitle, &option, &painter, this);
}

void PLQDockWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange)
        update(0, 0, width(), kTitleHeight);
    QFrame::changeEvent(event);
}
