#pragma once

#include <QFrame>
#include <QImage>
#include <QPoint>
#include <QRect>

#include "engine/Box.h"
#include "engine/PixelBuffer.h"
#include "ui/OutputComposer.h"

class PLQShell;

// Shows the output at one of 21 zoom levels and pastes the current chunk where the user
// clicks. A translucent preview of the chunk, turned and scaled by the wheel, follows the
// pointer; uncovered pixels show the host image dimmed and bluish over a checkerboard. The
// output wraps at its right and bottom edges, and so do the preview and the paste.
class PLQOutputFrame : public QFrame {
    Q_OBJECT

public:
    // The engine's rectangle; QFrame's frame-shape enumerator of the same name is not used here.
    using Box = ::Box;

    static constexpr int kMinZoom = -10;
    static constexpr int kMaxZoom = 10;
    // Scale limits of the wheel, and its steps.
    static constexpr double kMinScale = 0.1;
    static constexpr double kMaxScale = 1.5;
    // Five degrees, in radians: one Ctrl+wheel step.
    static constexpr double kAngleStep = 0.0872664626;

    // `shell` (not owned) must outlive the view.
    PLQOutputFrame(PLQShell* shell, QWidget* parent = nullptr, const char* name = nullptr, Qt::WindowFlags flags = {});

    int zoomLevel() const { return zoomLevel_; }
    // 2^(level / 5): 0.25 at level -10, 4 at level 10.
    double zoomFactor() const;
    // Output pixels last drawn for the preview (inclusive corners); empty when none.
    QRect previewRect() const { return previewRect_; }
    // Output position of the pointer while a preview is shown; x = -1 when none.
    QPoint cursorPos() const { return cursorPos_; }
    // The chunk as it would be pasted, alpha halved; null without a chunk.
    const QImage& previewImage() const { return previewImage_; }
    bool isLocked() const { return locked_; }
    // The widget rectangle to repaint for a rectangle of output pixels, with a margin that
    // covers scaled edges.
    QRect widgetRect(const QRect& outputRect) const;

public slots:
    // Repaints what a step, the end of a run, undo, redo, clear or "Paste Input" changed; an
    // empty box repaints everything.
    void updateOutput(const Box& box);
    // Rebuilds the preview after a change of the current image, chunk, limits or pre-filter.
    void updateChunk();
    // While locked no input is taken and no preview is shown.
    void lockInterface(bool lock);
    void setZoomOut();
    void setZoomIn();

signals:
    // The chunk should be pasted at the placement's (pasteX, pasteY).
    void pasteChunk();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QSize outputSize() const;
    void resizeToZoom();
    void repaintOutputRect(const QRect& outputRect);
    QPoint toOutput(const QPoint& widgetPoint) const;
    QPoint previewTopLeft() const;
    void showPreview();
    void hidePreview();
    void buildPreview();
    void showContextMenu(const QPoint& globalPos);
    void resetTransformations();
    void turnOrScale(bool up, Qt::KeyboardModifiers modifiers);

    PLQShell* shell_;
    bool locked_ = false;
    QRect previewRect_;
    QPoint cursorPos_{-1, -1};
    int zoomLevel_ = 0;
    QImage previewImage_;
    PixelBuffer chunkPixels_;
    OutputComposer composer_;
};
