#include "ui/PLQProgress.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionProgressBar>
#include <QTimer>

PLQProgress::PLQProgress(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QProgressBar(parent), timer_(new QTimer(this)) {
    setObjectName(QString::fromUtf8(name));
    if (flags)
        setWindowFlags(windowFlags() | flags);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setTextVisible(false);
    setMaximumHeight(18);
    reset();
    connect(timer_, &QTimer::timeout, this, &PLQProgress::step);
}

bool PLQProgress::isMoving() const { return timer_->isActive(); }

void PLQProgress::start() { timer_->start(kIntervalMs); }

// An unset progress draws no block, so the stopped bar is empty; the next start moves on
// from the left edge as from 0.
void PLQProgress::stop() {
    timer_->stop();
    reset();
}

void PLQProgress::step() {
    const int total = maximum() - minimum();
    const int p = value() < minimum() ? 0 : value() - minimum();
    if (p >= total - kStep)
        forward_ = false;
    else if (p < kStep + 1)
        forward_ = true;
    setValue(minimum() + (forward_ ? p + kStep : p - kStep));
}

// Drawn off screen and copied, so the moving block never flickers.
void PLQProgress::paintEvent(QPaintEvent* event) {
    QPixmap buffer(size());
    buffer.fill(palette().color(backgroundRole()));
    {
        QPainter painter(&buffer);
        QStyleOptionProgressBar option;
        initStyleOption(&option);
        option.textVisible = false;
        style()->drawControl(QStyle::CE_ProgressBarGroove, &option, &painter, this);
        if (isEnabled())
            style()->drawControl(QStyle::CE_ProgressBarContents, &option, &painter, this);
    }
    QPainter painter(this);
    painter.drawPixmap(event->rect(), buffer, event->rect());
}
