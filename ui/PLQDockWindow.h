#pragma once

#include <QFrame>

class QSpacerItem;
class QVBoxLayout;

// The captioned frame around each panel of the main window. The caption is the frame's
// window title (setWindowTitle) and is drawn in a title bar by the style.
class PLQDockWindow : public QFrame {
    Q_OBJECT

public:
    // Height of the title bar in pixels; the panel starts below it.
    static constexpr int kTitleHeight = 22;

    PLQDockWindow(QWidget* parent = nullptr, const char* name = nullptr, Qt::WindowFlags flags = {});

    // Shows `panel` (made a child of the frame) in place of the one held before, which stays a
    // child but leaves the layout. Null only removes the old one.
    void setWidget(QWidget* panel);
    // The panel shown; null at first.
    QWidget* widget() const { return panel_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QVBoxLayout* layout_;
    QWidget* panel_ = nullptr;
    QSpacerItem* bottomSpacing_ = nullptr;
    bool titleShown_ = true;
};
