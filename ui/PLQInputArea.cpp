#include "ui/PLQInputArea.h"

#include <algorithm>
#include <mutex>

#include <QMouseEvent>
#include <QPainter>
#include <QPen>

#include "chunks/InputImage.h"
#include "session/PLQShell.h"

namespace {

constexpr QRgb kDarkening = 0x50000000u;  // black at alpha 80
constexpr QRgb kInnerTint = 0x50FF0000u;  // red at alpha 80
constexpr QRgb kBlack = 0xFF000000u;
constexpr QSize kNoImageSize(210, 70);
constexpr int kMinimumHeight = 40;

// Light and dark squares of 8 x 8 pixels behind transparent parts of the shown image.
int checkerGrey(int x, int y) { return ((x & 15) > 7) == ((y & 15) > 7) ? 255 : 204; }

// Composes every pixel that is not opaque over the checkerboard; the result is opaque.
void composeOverCheckerboard(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x];
            const int a = qAlpha(p);
            if (a == 255)
                continue;
            const int c = checkerGrey(x, y);
            if (a == 0) {
                row[x] = qRgb(c, c, c);
                continue;
            }
            const auto mix = [&](int channel) { return (channel * a + c * (255 - a)) >> 8; };
            row[x] = qRgb(mix(qRed(p)), mix(qGreen(p)), mix(qBlue(p)));
        }
    }
}

// The image's working pixels as a read-only image over the same memory (no copy).
QImage wrapPixels(const PixelBuffer& pixels) {
    return QImage(reinterpret_cast<const uchar*>(pixels.pixels()), int(pixels.width()), int(pixels.height()),
                  qsizetype(pixels.width()) * 4, QImage::Format_ARGB32);
}

PixelPoint toPixelPoint(QPoint p) { return {p.x(), p.y()}; }

// Border pixels alternate between black and the colour, so outlines show on any picture.
QRgb borderPixel(int i, int j, QRgb colour) { return ((i + j) & 1) ? colour : kBlack; }

}  // namespace

PLQInputArea::PLQInputArea(PLQShell* shell, QWidget* parent, const char* name)
    : QFrame(parent), shell_(shell), images_(&shell->images()) {
    setObjectName(QLatin1String(name));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFrameStyle(QFrame::NoFrame);
    setCursor(Qt::CrossCursor);
    setToolTip(QStringLiteral("<b>Shift</b> : Add to existing selection<br><b>Alt</b> : Substract from existing "
                              "selection"));
    // Never larger than the image wants, but smaller when the panel or the window is short of
    // room: the panel sizes the image from its own width and must be able to narrow again, and
    // a tall image must not push the window's buttons out of sight.
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    showSize(kNoImageSize);
}

QSize PLQInputArea::sizeHint() const { return shownSize_; }

QSize PLQInputArea::minimumSizeHint() const { return QSize(0, std::min(kMinimumHeight, shownSize_.height())); }

void PLQInputArea::lockInterface(bool lock) {
    locked_ = lock;
    setCursor(lock ? Qt::BusyCursor : Qt::CrossCursor);
    // A drag cut short by a run must not be applied when the run has ended.
    if (lock && dragging_)
        endDrag();
}

void PLQInputArea::parentFrameResized(int width) {
    if (width - 10 == maxSide_ || width - 10 < 1)
        return;
    maxSide_ = width - 10;
    if (!locked_ && !dragging_)
        updateChunkAndImage();
}

void PLQInputArea::updateChunkAndImage() {
    cachedPixmap_ = QPixmap();
    scaledImage_ = QImage();
    updateChunk();
}

void PLQInputArea::clearImages() {
    fullSize_ = QSize();
    scaledImage_ = QImage();
    overlayImage_ = QImage();
    cachedPixmap_ = QPixmap();
}

void PLQInputArea::showSize(QSize size) {
    if (size == shownSize_)
        return;
    shownSize_ = size;
    if (!isVisible())
        resize(size);
    updateGeometry();
}

// The picture is centred when the layout makes the area wider than the picture.
QPoint PLQInputArea::imageOrigin() const { return QPoint(std::max(0, (width() - scaledImage_.width()) / 2), 0); }

// Where the image is drawn: its preferred size, or less while the layout gives less room.
QSize PLQInputArea::fitBox() const {
    QSize box = shownSize_;
    if (isVisible())
        box = box.boundedTo(size()).expandedTo(QSize(1, 1));
    return box;
}

void PLQInputArea::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    if (scaledImage_.isNull() || locked_ || dragging_)
        return;
    if (fullSize_.scaled(fitBox(), Qt::KeepAspectRatio) != scaledImage_.size())
        updateChunkAndImage();
}

void PLQInputArea::updateImage() {
    InputImage* image = images_->currentImage();
    if (image == nullptr) {
        clearImages();
        update();
        return;
    }
    const PixelBuffer& pixels = image->workingPixels();
    fullSize_ = QSize(int(pixels.width()), int(pixels.height()));
    showSize(fullSize_.scaled(maxSide_, maxSide_, Qt::KeepAspectRatio));
    scaledImage_ = wrapPixels(pixels)
                       .scaled(fitBox(), Qt::KeepAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_ARGB32);
    composeOverCheckerboard(scaledImage_);
    cachedPixmap_ = QPixmap();
    update();
}

void PLQInputArea::updateChunk() {
    const InputImage* image = images_->currentImage();
    if (image == nullptr) {
        clearImages();
        showSize(kNoImageSize);
        update();
        return;
    }
    if (scaledImage_.isNull())
        updateImage();
    if (scaledImage_.isNull() || fullSize_.isEmpty())
        return;
    overlayImage_ = QImage(scaledImage_.size(), QImage::Format_ARGB32);
    overlayImage_.fill(kDarkening);
    for (size_t i = 0; i < image->chunkCount(); ++i)
        drawChunkOutlines(*image->chunk(i), i == image->currentChunk());
    cachedPixmap_ = QPixmap();
    update();
}

// A chunk's bounds in overlay pixels, rounded to the nearest pixel. A chunk never vanishes
// from the outline: it keeps at least one pixel each way.
QRect PLQInputArea::mapToOverlay(const ::Box& bounds) const {
    const double rx = double(overlayImage_.width()) / fullSize_.width();
    const double ry = double(overlayImage_.height()) / fullSize_.height();
    const int left = int(bounds.x0 * rx + 0.5);
    const int top = int(bounds.y0 * ry + 0.5);
    const int width = std::max(1, int(double(bounds.width()) * rx + 0.5));
    const int height = std::max(1, int(double(bounds.height()) * ry + 0.5));
    return QRect(left, top, width, height);
}

void PLQInputArea::drawChunkOutlines(const Chunk& chunk, bool current) {
    const QRect area = mapToOverlay(chunk.bounds);
    const QRgb outerColour = current ? QColor(Qt::green).rgba() : QColor(Qt::darkGreen).rgba();
    if (chunk.outerMask.count() != 0)
        drawMask(chunk.outerMask, area, outerColour, 0, current);
    else
        drawRectangleOutline(area, outerColour, current);
    if (chunk.innerMask.count() != 0) {
        const QRgb innerColour = current ? QColor(Qt::red).rgba() : QColor(Qt::darkRed).rgba();
        drawMask(chunk.innerMask, area, innerColour, kInnerTint, current);
    }
}

// A dashed border; the current chunk's inside is cleared so that it shows undarkened.
void PLQInputArea::drawRectangleOutline(QRect area, QRgb colour, bool current) {
    const QRect r = area.intersected(overlayImage_.rect());
    if (r.isEmpty())
        return;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(overlayImage_.scanLine(y));
        const int j = y - r.top();
        const bool edgeRow = y == r.top() || y == r.bottom();
        for (int x = r.left(); x <= r.right(); ++x) {
            const int i = x - r.left();
            if (edgeRow)
                row[x] = (i & 1) ? colour : kBlack;
            else if (x == r.left() || x == r.right())
                row[x] = (j & 1) ? colour : kBlack;
            else if (current)
                row[x] = 0;
        }
    }
}

// Draws a limit mask stretched over `area`: its border in dashes, its inside (current chunk
// only) in `interior`. Pixels outside the limit stay as they are.
void PLQInputArea::drawMask(const MaskBuffer& mask, QRect area, QRgb colour, QRgb interior, bool current) {
    const QRect r = area.intersected(overlayImage_.rect());
    if (r.isEmpty() || mask.count() == 0)
        return;
    const QImage source(mask.bytes(), int(mask.width()), int(mask.height()), int(mask.width()),
                        QImage::Format_Grayscale8);
    const QImage scaled = source.scaled(r.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const int last = r.width() - 1, bottom = r.height() - 1;
    const auto value = [&](int i, int j) { return int(scaled.constScanLine(j)[i]); };
    for (int j = 0; j <= bottom; ++j) {
        auto* row = reinterpret_cast<QRgb*>(overlayImage_.scanLine(r.top() + j)) + r.left();
        for (int i = 0; i <= last; ++i) {
            if (value(i, j) <= 128)
                continue;
            const bool border = i == 0 || i == last || j == 0 || j == bottom || value(i - 1, j) < 128 ||
                                value(i + 1, j) < 128 || value(i, j - 1) < 128 || value(i, j + 1) < 128;
            if (border)
                row[i] = borderPixel(i, j, colour);
            else if (current)
                row[i] = interior;
        }
    }
}

void PLQInputArea::rebuildCachedPixmap() {
    cachedPixmap_ = QPixmap::fromImage(scaledImage_);
    QPainter painter(&cachedPixmap_);
    if (!overlayImage_.isNull())
        painter.drawImage(0, 0, overlayImage_);
    // A run with mixing changes the current chunk while this is painted.
    const std::lock_guard<std::mutex> reading(shell_->viewLock());
    const InputImage* image = images_->currentImage();
    if (image == nullptr)
        return;
    QString caption;
    if (image->chunkCount() > 1)
        caption = QStringLiteral("Chunk %1/%2 ").arg(image->currentChunkIndex()).arg(image->chunkCount());
    const ::Box& bounds = image->current().bounds;
    caption += QStringLiteral("(size: %1x%2)").arg(bounds.width()).arg(bounds.height());
    painter.setPen(Qt::green);
    painter.drawText(3, 10, caption);
}

void PLQInputArea::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect clip = event->rect();
    if (scaledImage_.isNull()) {
        painter.fillRect(clip, palette().window());
        return;
    }
    if (cachedPixmap_.isNull())
        rebuildCachedPixmap();
    // Beside the picture when the area is wider than it.
    const QRect picture = cachedPixmap_.rect().translated(imageOrigin());
    if (!picture.contains(clip))
        painter.fillRect(clip, palette().window());
    const QRect shown = clip.intersected(picture);
    painter.drawPixmap(shown, cachedPixmap_, shown.translated(-imageOrigin()));
    if (dragging_) {
        painter.translate(imageOrigin());
        drawSelection(painter);
    }
}

// The shape being dragged, twice: solid in the limit's colour, then white dots over it.
void PLQInputArea::drawSelection(QPainter& painter) const {
    const auto draw = [&] {
        if (tool_ == SelectionTool::Rectangle) {
            if (pressPoint_ != currentPoint_)
                painter.drawRect(QRect(pressPoint_, currentPoint_).normalized());
        } else if (lassoPoints_.size() > 1) {
            QPolygon polygon;
            for (const PixelPoint& p : lassoPoints_)
                polygon << QPoint(p.x, p.y);
            painter.drawPolygon(polygon);
        }
    };
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(innerMode_ ? Qt::red : Qt::green, 2, Qt::SolidLine));
    draw();
    painter.setPen(QPen(Qt::white, 2, Qt::DotLine));
    draw();
}

void PLQInputArea::mousePressEvent(QMouseEvent* event) {
    if (locked_ || scaledImage_.isNull() || event->button() != Qt::LeftButton)
        return;
    pressPoint_ = currentPoint_ = event->position().toPoint() - imageOrigin();
    lassoPoints_.clear();
    dragging_ = true;
    const Qt::KeyboardModifiers keys = event->modifiers();
    if (keys & Qt::ShiftModifier)
        selectionMode_ = SelectionMode::Add;
    else if (keys & Qt::AltModifier)
        selectionMode_ = SelectionMode::Subtract;
    else
        selectionMode_ = SelectionMode::Replace;
}

void PLQInputArea::mouseMoveEvent(QMouseEvent* event) {
    if (locked_ || scaledImage_.isNull() || !dragging_)
        return;
    const QPoint position = event->position().toPoint() - imageOrigin();
    if (tool_ == SelectionTool::Lasso) {
        if (lassoPoints_.empty())
            lassoPoints_.push_back(toPixelPoint(currentPoint_));
        if (position != currentPoint_)
            lassoPoints_.push_back(toPixelPoint(position));
    }
    currentPoint_ = position;
    update();
    // The button was let go where the area could not see it: the drag is dropped.
    if (!(event->buttons() & Qt::LeftButton))
        endDrag();
}

void PLQInputArea::mouseReleaseEvent(QMouseEvent* event) {
    if (locked_ || scaledImage_.isNull() || !dragging_ || event->button() != Qt::LeftButton)
        return;
    applySelection();
}

void PLQInputArea::endDrag() {
    dragging_ = false;
    lassoPoints_.clear();
    update();
}

// The last pointer position counts, not the release position.
void PLQInputArea::applySelection() {
    dragging_ = false;
    const bool click = tool_ == SelectionTool::Rectangle ? pressPoint_ == currentPoint_ : lassoPoints_.size() < 3;
    InputImage* image = images_->currentImage();
    if ((click && selectionMode_ != SelectionMode::Replace) || image == nullptr || fullSize_.isEmpty()) {
        endDrag();
        return;
    }
    std::vector<PixelPoint> points = lassoPoints_;
    if (tool_ == SelectionTool::Rectangle)
        points = {toPixelPoint(pressPoint_), toPixelPoint(currentPoint_)};
    const float sx = float(fullSize_.width()) / float(scaledImage_.width());
    const float sy = float(fullSize_.height()) / float(scaledImage_.height());
    selectionToMask(image->current(), fullSize_.width(), fullSize_.height(), tool_,
                    innerMode_ ? SelectionLimit::Inner : SelectionLimit::Outer, selectionMode_, points, sx, sy);
    updateChunk();
    lassoPoints_.clear();
    shell_->setChunkChanged();
    emit chunkChanged();
}
