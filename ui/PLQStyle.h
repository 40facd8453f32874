#pragma once

#include <QProxyStyle>

// The window's own dark look with orange accents, independent of the host and the system:
// a palette, a few per-class palette and size rules, and custom drawing of push buttons,
// check boxes, the progress bar, arrows, headers, scroll bars, combo boxes and dock titles.
// Everything else comes from the "Windows" style underneath.
class PLQStyle : public QProxyStyle {
    Q_OBJECT

public:
    // Title bar of a dock frame; the option is a QStyleOptionDockWidget whose title is the
    // caption, its rect the bar.
    static constexpr PrimitiveElement PE_DockTitle = PrimitiveElement(PE_CustomBase + 1);

    PLQStyle();

    QPalette standardPalette() const override;
    void polish(QPalette& palette) override;
    void polish(QWidget* widget) override;
    using QProxyStyle::polish;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;

    // Left edge, relative to the bar, of the progress block of a bar `width` pixels wide
    // showing `progress` of `totalSteps` (totalSteps > 0).
    static int progressBlockLeft(int width, int totalSteps, int progress);

private:
    void drawButtonShape(const QStyleOption* option, QPainter* painter, bool down) const;
    void drawPushButtonLabel(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void drawArrow(PrimitiveElement element, const QStyleOption* option, QPainter* painter) const;
    void drawCheckMark(const QStyleOption* option, QPainter* painter) const;
    void drawProgressContents(const QStyleOption* option, QPainter* painter) const;
    void drawHeaderSection(const QStyleOption* option, QPainter* painter) const;
    void drawDockTitle(const QStyleOption* option, QPainter* painter) const;
    void drawScrollBar(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const;
    void drawComboBox(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const;
    QRect scrollBarRect(const QStyleOptionComplex* option, SubControl sub, const QWidget* widget) const;
};
