#pragma once

#include <QLabel>
#include <QPoint>

// The minus / plus image at the right of a spin box. A click on a half changes the value by
// one step and reports it at once; a horizontal drag changes it by one step per few pixels
// while moving and reports the final value once, on release.
class PLQSpinBoxButtons : public QLabel {
    Q_OBJECT

public:
    // Pointer x positions below this belong to the minus half.
    static constexpr int kMinusWidth = 11;

    // `pixelsPerStep` (at least 1) pixels of horizontal drag make one step.
    PLQSpinBoxButtons(int pixelsPerStep, QWidget* parent = nullptr, const char* name = nullptr);

    int pixelsPerStep() const { return pixelsPerStep_; }
    // Whether mouse input is taken (the widget itself stays enabled).
    bool acceptsInput() const { return enabled_; }

public slots:
    // Takes or ignores mouse input and shows the matching image.
    void setEnabled(bool enabled);

signals:
    // `steps` changes the value by that many steps; `final` ends a click or a drag.
    void valueRelativeChanged(int steps, bool final);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showImage(const char* name);

    bool enabled_ = true;
    int pixelsPerStep_;
    bool pressed_ = false;
    bool dragged_ = false;
    int direction_ = 0;
    QPoint lastPoint_;
};
