#pragma once

#include <vector>

#include <QFrame>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QSize>

#include "chunks/Selection.h"
#include "engine/Box.h"
#include "engine/MaskBuffer.h"

class ImageCollection;
class PLQShell;
struct Chunk;

// The chunk editor of the "Current chunk" panel: the current input image reduced to fit the
// panel, darkened outside the current chunk, with every chunk of the image outlined (outer
// limit green, inner limit red). A left-button drag with the rectangle or lasso tool redraws
// the current chunk's outer or inner limit; Shift adds to it, Alt subtracts from it. The
// shape is rasterised at the image's full resolution.
class PLQInputArea : public QFrame {
    Q_OBJECT

public:
    // `shell` is not owned and must outlive the area.
    PLQInputArea(PLQShell* shell, QWidget* parent = nullptr, const char* name = nullptr);

    SelectionTool tool() const { return tool_; }
    void setTool(SelectionTool tool) { tool_ = tool; }
    // True: drags edit the inner (forced) limit; false: the outer (crop) limit.
    bool innerMode() const { return innerMode_; }
    void setInnerMode(bool inner) { innerMode_ = inner; }
    bool isLocked() const { return locked_; }
    // Longest side the image is shown at, in widget pixels.
    int maxSide() const { return maxSide_; }
    // The shown image: the full image fitted into maxSide x maxSide, or into less while the
    // layout gives the area less room; empty without an image.
    QSize displaySize() const { return scaledImage_.size(); }
    // The darkening and outlines drawn over the shown image; null without an image.
    const QImage& overlayImage() const { return overlayImage_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    // While locked the area ignores the mouse and shows the busy cursor.
    void lockInterface(bool lock);
    // Redraws the outlines after the current chunk or the chunk list changed.
    void updateChunk();
    // Rebuilds the shown image, then the outlines: another image became current.
    void updateChunkAndImage();
    // Rebuilds the shown image from the current image's working (possibly pre-filtered) pixels.
    void updateImage();
    // The panel is now `width` pixels wide: the image is shown at width - 10.
    void parentFrameResized(int width);

signals:
    // The current chunk's limits were changed by a drag or a click.
    void chunkChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void clearImages();
    void showSize(QSize size);
    QSize fitBox() const;
    QPoint imageOrigin() const;
    void drawChunkOutlines(const Chunk& chunk, bool current);
    void drawRectangleOutline(QRect area, QRgb colour, bool current);
    void drawMask(const MaskBuffer& mask, QRect area, QRgb colour, QRgb interior, bool current);
    QRect mapToOverlay(const ::Box& bounds) const;
    void rebuildCachedPixmap();
    void drawSelection(QPainter& painter) const;
    void applySelection();
    void endDrag();

    PLQShell* shell_;
    ImageCollection* images_;
    bool locked_ = false;
    // Size of the current image's working pixels; the pixels themselves stay in the image.
    QSize fullSize_;
    QImage scaledImage_;
    QImage overlayImage_;
    QPixmap cachedPixmap_;
    SelectionTool tool_ = SelectionTool::Rectangle;
    bool innerMode_ = false;
    int maxSide_ = 210;
    QSize shownSize_{210, 70};
    // In image display pixels (widget pixels less imageOrigin()).
    QPoint pressPoint_;
    QPoint currentPoint_;
    std::vector<PixelPoint> lassoPoints_;
    SelectionMode selectionMode_ = SelectionMode::Replace;
    bool dragging_ = false;
};
