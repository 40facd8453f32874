#include "ui/PLQSpinBoxButtons.h"

#include <algorithm>

#include <QMouseEvent>

#include "ui/EmbeddedImage.h"

PLQSpinBoxButtons::PLQSpinBoxButtons(int pixelsPerStep, QWidget* parent, const char* name)
    : QLabel(parent), pixelsPerStep_(std::max(1, pixelsPerStep)) {
    setObjectName(QString::fromUtf8(name));
    showImage("spinbox_right_enabled");
    setFixedSize(pixmap().size());
}

void PLQSpinBoxButtons::setEnabled(bool enabled) {
    enabled_ = enabled;
    showImage(enabled ? "spinbox_right_enabled" : "spinbox_right_disabled");
    if (!enabled)
        pressed_ = dragged_ = false;
}

void PLQSpinBoxButtons::showImage(const char* name) { setPixmap(embeddedPixmap(QString::fromLatin1(name))); }

void PLQSpinBoxButtons::mousePressEvent(QMouseEvent* event) {
    if (!enabled_ || event->button() != Qt::LeftButton)
        return;
    const QPoint position = event->position().toPoint();
    pressed_ = true;
    dragged_ = false;
    lastPoint_ = position;
    const bool minus = position.x() < kMinusWidth;
    direction_ = minus ? -1 : 1;
    showImage(minus ? "spinbox_right_clic1" : "spinbox_right_clic2");
}

void PLQSpinBoxButtons::mouseMoveEvent(QMouseEvent* event) {
    if (!enabled_ || !pressed_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint position = event->position().toPoint();
    // A jitter of one pixel while clicking is not a drag.
    if (!dragged_) {
        if ((position - lastPoint_).manhattanLength() <= 1)
            return;
        dragged_ = true;
    }
    const int steps = (position.x() - lastPoint_.x()) / pixelsPerStep_;
    if (steps == 0)
        return;
    lastPoint_ = position;
    if (direction_ * steps < 1) {
        direction_ = steps;
        showImage(steps >= 0 ? "spinbox_right_clic2" : "spinbox_right_clic1");
    }
    emit valueRelativeChanged(steps, false);
}

void PLQSpinBoxButtons::mouseReleaseEvent(QMouseEvent* event) {
    if (!enabled_ || !pressed_ || event->button() != Qt::LeftButton)
        return;
    const int steps = dragged_ ? 0 : (lastPoint_.x() < kMinusWidth ? -1 : 1);
    pressed_ = false;
    dragged_ = false;
    direction_ = 0;
    showImage("spinbox_right_enabled");
    emit valueRelativeChanged(steps, true);
}
