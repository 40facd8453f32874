#include "ui/PLQOutputFrame.h"

#include "chunks/CentreCut.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include "chunks/ChunkBuffers.h"
#include "engine/ImageTransform.h"
#include "session/PLQShell.h"

namespace {

// A position brought into 0..size-1, however far outside it lies.
int wrapInto(int value, int size) {
    if (size <= 0)
        return 0;
    const int r = value % size;
    return r < 0 ? r + size : r;
}

}  // namespace

PLQOutputFrame::PLQOutputFrame(PLQShell* shell, QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QFrame(parent, flags), shell_(shell) {
    setObjectName(QString::fromUtf8(name));
    // Every pixel is painted by the view itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFrameStyle(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("<b>Left-Click</b> : Paste chunk interactively<br><b>Wheel</b> : Scale chunk "
                              "(<b>+Shift</b> : more precise)<br><b>Ctrl+Wheel</b> : Rotate chunk (<b>+Shift</b> "
                              ": more precise)"));
    resizeToZoom();
}

double PLQOutputFrame::zoomFactor() const { return std::pow(2.0, zoomLevel_ * 0.2); }

QSize PLQOutputFrame::outputSize() const {
    const PixelBuffer& output = shell_->output();
    return QSize(int(output.width()), int(output.height()));
}

void PLQOutputFrame::resizeToZoom() {
    const QSize size = outputSize();
    const double z = zoomFactor();
    setFixedSize(std::max(1, int(size.width() * z)), std::max(1, int(size.height() * z)));
    update();
}

void PLQOutputFrame::setZoomIn() {
    if (zoomLevel_ < kMaxZoom)
        ++zoomLevel_;
    resizeToZoom();
}

void PLQOutputFrame::setZoomOut() {
    if (zoomLevel_ > kMinZoom)
        --zoomLevel_;
    resizeToZoom();
}

QRect PLQOutputFrame::widgetRect(const QRect& outputRect) const {
    const double z = zoomFactor();
    const int k = int(z);
    return QRect(QPoint(int(outputRect.left() * z) - 1 - k, int(outputRect.top() * z) - 1 - k),
                 QPoint(int(outputRect.right() * z) + k + 1, int(outputRect.bottom() * z) + k + 1));
}

void PLQOutputFrame::repaintOutputRect(const QRect& outputRect) { update(widgetRect(outputRect)); }

QPoint PLQOutputFrame::toOutput(const QPoint& widgetPoint) const {
    const double inverse = 1.0 / zoomFactor();
    return QPoint(int(widgetPoint.x() * inverse), int(widgetPoint.y() * inverse));
}

void PLQOutputFrame::updateOutput(const Box& box) {
    const QSize size = outputSize();
    if (int64_t(box.x1) - box.x0 + 1 <= 0 || int64_t(box.y1) - box.y0 + 1 <= 0) {
        update();
        return;
    }
    // A box that wraps also changed the opposite edge of the output.
    QRect rect(QPoint(box.x0, box.y0), QPoint(box.x1, box.y1));
    if (box.y0 < 0)
        rect.setBottom(size.height() - 1);
    if (box.y1 >= size.height())
        rect.setTop(0);
    if (box.x0 < 0)
        rect.setRight(size.width() - 1);
    if (box.x1 >= size.width())
        rect.setLeft(0);
    repaintOutputRect(rect);
}

void PLQOutputFrame::lockInterface(bool lock) {
    locked_ = lock;
    setCursor(lock ? Qt::BusyCursor : Qt::PointingHandCursor);
    if (lock && cursorPos_.x() >= 0)
        hidePreview();
}

// ---- preview --------------------------------------------------------------------------------

void PLQOutputFrame::updateChunk() {
    if (!previewRect_.isEmpty())
        repaintOutputRect(previewRect_);
    buildPreview();
    if (!previewImage_.isNull() && cursorPos_.x() >= 0)
        showPreview();
}

// The current chunk turned and scaled as the next click would paste it, at half its alpha.
void PLQOutputFrame::buildPreview() {
    InputImage* image = shell_->images().currentImage();
    if (!image) {
        previewImage_ = QImage();
        cursorPos_.setX(-1);
        return;
    }
    makeChunkPixels(*image, chunkPixels_);
    if (chunkPixels_.count() == 0) {
        previewImage_ = QImage();
        return;
    }
    const double angle = shell_->placement().angle, scale = shell_->placement().scale;
    PixelBuffer shaped = angle != 0.0 ? rotateImage(chunkPixels_, angle) : chunkPixels_;
    if (scale != 1.0)
        shaped = scaleImage(shaped, scale);
    const PixelBuffer& output = shell_->output();
    shaped = cutToOutputSize(shaped, output.width(), output.height());  // cut as the paste is
    if (shaped.count() == 0) {
        previewImage_ = QImage();
        return;
    }
    previewImage_ = QImage(int(shaped.width()), int(shaped.height()), QImage::Format_ARGB32);
    if (previewImage_.isNull())
        return;
    for (uint32_t y = 0; y < shaped.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(previewImage_.scanLine(int(y)));
        for (uint32_t x = 0; x < shaped.width(); ++x) {
            const uint32_t p = shaped.at(x, y);
            row[x] = ((alphaOf(p) >> 1) << 24) | (p & 0x00FFFFFFu);
        }
    }
}

// Top-left output pixel of the preview centred under the pointer, wrapped into the output.
QPoint PLQOutputFrame::previewTopLeft() const {
    const QSize size = outputSize();
    const int x = cursorPos_.x() - (previewImage_.width() - 1) / 2;
    const int y = cursorPos_.y() - (previewImage_.height() - 1) / 2;
    return QPoint(wrapInto(x, size.width()), wrapInto(y, size.height()));
}

void PLQOutputFrame::showPreview() {
    const QSize size = outputSize();
    const QPoint topLeft = previewTopLeft();
    const QRect placed(topLeft, previewImage_.size());
    QRect region = placed;
    const bool right = placed.x() + placed.width() > size.width();
    const bool below = placed.y() + placed.height() > size.height();
    if (right)
        region |= placed.translated(-size.width(), 0);
    if (below)
        region |= placed.translated(0, -size.height());
    if (right && below)
        region |= placed.translated(-size.width(), -size.height());
    previewRect_ = region;
    repaintOutputRect(previewRect_);
}

void PLQOutputFrame::hidePreview() {
    cursorPos_ = QPoint(-1, -1);
    if (!previewRect_.isEmpty())
        repaintOutputRect(previewRect_);
    previewRect_ = QRect();
}

// ---- input ----------------------------------------------------------------------------------

void PLQOutputFrame::mouseMoveEvent(QMouseEvent* event) {
    if (locked_)
        return;
    const QPoint p = toOutput(event->position().toPoint());
    if (!previewRect_.isEmpty()) {
        repaintOutputRect(previewRect_);
        previewRect_ = QRect();
    }
    if (!previewImage_.isNull()) {
        cursorPos_ = p;
        showPreview();
    }
}

void PLQOutputFrame::leaveEvent(QEvent* event) {
    QFrame::leaveEvent(event);
    if (!locked_ && cursorPos_.x() >= 0)
        hidePreview();
}

void PLQOutputFrame::mousePressEvent(QMouseEvent* event) {
    if (locked_ || shell_->isRunning())
        return;
    if (event->button() == Qt::RightButton) {
        showContextMenu(event->globalPosition().toPoint());
        return;
    }
    if (cursorPos_.x() < 0 || previewImage_.isNull())
        return;
    const QPoint topLeft = previewTopLeft();
    shell_->placement().pasteX = topLeft.x();
    shell_->placement().pasteY = topLeft.y();
    emit pasteChunk();
}

void PLQOutputFrame::showContextMenu(const QPoint& globalPos) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Zoom IN (Prior)"), this, &PLQOutputFrame::setZoomIn);
    menu.addAction(QStringLiteral("Zoom OUT (Next)"), this, &PLQOutputFrame::setZoomOut);
    menu.addAction(QStringLiteral("Default Zoom"), this, [this] {
        zoomLevel_ = 0;
        resizeToZoom();
    });
    menu.addSeparator();
    menu.addAction(QStringLiteral("Reset transformations"), this, &PLQOutputFrame::resetTransformations);
    menu.exec(globalPos);
}

void PLQOutputFrame::resetTransformations() {
    if (shell_->isRunning())
        return;
    shell_->placement().angle = 0.0;
    shell_->placement().scale = 1.0;
    shell_->setChunkChanged();
    updateChunk();
}

void PLQOutputFrame::wheelEvent(QWheelEvent* event) {
    // The wheel belongs to the chunk: the surrounding scroll view never scrolls with it.
    event->accept();
    if (locked_ || previewImage_.isNull() || shell_->isRunning())
        return;
    const QPoint delta = event->angleDelta();
    const int amount = delta.y() != 0 ? delta.y() : delta.x();
    turnOrScale(amount > 0, event->modifiers());
}

void PLQOutputFrame::turnOrScale(bool up, Qt::KeyboardModifiers modifiers) {
    PlacementParameters& placement = shell_->placement();
    const bool precise = modifiers & Qt::ShiftModifier;
    if (modifiers & Qt::ControlModifier) {
        placement.angle += (up ? 1.0 : -1.0) * (precise ? 0.1 * kAngleStep : kAngleStep);
    } else {
        if (precise)
            placement.scale *= up ? 1.1 : 0.9;
        else
            placement.scale *= up ? 1.25 : 0.75;
        if (placement.scale >= kMaxScale)
            placement.scale = kMaxScale;
        else if (placement.scale < kMinScale)
            placement.scale = kMinScale;
    }
    shell_->setChunkChanged();
    updateChunk();
}

// ---- painting -------------------------------------------------------------------------------

void PLQOutputFrame::paintEvent(QPaintEvent* event) {
    const QSize size = outputSize();
    QPainter painter(this);
    if (size.isEmpty()) {
        painter.fillRect(event->rect(), Qt::black);
        return;
    }
    if (zoomLevel_ != 0)
        painter.setWindow(0, 0, size.width(), size.height());
    // The part of the output under the clip, with a margin for scaled edges.
    const int k = int(zoomFactor());
    const QRectF mapped = painter.combinedTransform().inverted().mapRect(QRectF(event->rect()));
    QRect area(QPoint(int(std::floor(mapped.left())) - k, int(std::floor(mapped.top())) - k),
               QPoint(int(std::ceil(mapped.right())) + k, int(std::ceil(mapped.bottom())) + k));
    area &= QRect(QPoint(0, 0), size);
    if (area.isEmpty())
        return;
    std::unique_lock<std::mutex> reading(shell_->viewLock());  // a run may be pasting
    const QImage& composed = composer_.compose(shell_->output(), shell_->originalImage(), area);
    reading.unlock();
    if (!previewImage_.isNull() && cursorPos_.x() >= 0) {
        const QPoint topLeft = previewTopLeft();
        const bool right = topLeft.x() + previewImage_.width() > size.width();
        const bool below = topLeft.y() + previewImage_.height() > size.height();
        composer_.blendPreview(previewImage_, topLeft);
        if (right)
            composer_.blendPreview(previewImage_, topLeft - QPoint(size.width(), 0));
        if (below)
            composer_.blendPreview(previewImage_, topLeft - QPoint(0, size.height()));
        if (right && below)
            composer_.blendPreview(previewImage_, topLeft - QPoint(size.width(), size.height()));
    }
    // The blends changed the composed pixels in place.
    painter.drawImage(area.topLeft(), composed);
}
