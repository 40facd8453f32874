#include "ui/PLQStyle.h"

#include <algorithm>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyleFactory>
#include <QStyleOption>

#include "ui/EmbeddedImage.h"

namespace {

// Colours of the custom-drawn headers, scroll bars and complex controls.
const QColor kSectionFill(100, 112, 124);
const QColor kSectionEdge(50, 50, 50);
const QColor kSectionSeparator(68, 80, 92);
const QColor kComplexPart(111, 114, 119);
const QColor kDockTitle(48, 48, 48);

constexpr int kButtonRadius = 11;
constexpr int kPressedInset = 2;
constexpr int kPressedRadius = 9;
constexpr int kDockRadius = 13;
constexpr int kHeaderRadius = 13;
constexpr int kProgressBlockWidth = 10;

void setAllGroups(QPalette& palette, QPalette::ColorRole role, const QColor& colour) {
    palette.setColor(QPalette::Active, role, colour);
    palette.setColor(QPalette::Inactive, role, colour);
    palette.setColor(QPalette::Disabled, role, colour);
}

// The palette the widgets of these classes get on top of the application's.
void applyButtonColours(QPalette& palette, bool scrollBar) {
    setAllGroups(palette, QPalette::Button, scrollBar ? QColor(64, 64, 64) : QColor(72, 72, 72));
    setAllGroups(palette, QPalette::ButtonText, QColor(210, 210, 210));
    setAllGroups(palette, QPalette::Base, QColor(96, 96, 96));
    setAllGroups(palette, QPalette::Mid, QColor(225, 148, 36));
    setAllGroups(palette, QPalette::Dark, QColor(170, 126, 62));
    setAllGroups(palette, QPalette::Shadow, QColor(48, 48, 48));
    setAllGroups(palette, QPalette::Highlight, QColor(244, 156, 28));
    setAllGroups(palette, QPalette::HighlightedText, QColor(0, 0, 0));
}

// A rectangle inset by half a pixel, so that a one-pixel antialiased outline stays sharp.
QRectF outlineRect(const QRect& rect) { return QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5); }

void drawRounded(QPainter* painter, const QRectF& rect, qreal radius, const QColor& fill, const QColor& edge) {
    // The radius never exceeds half the shorter side, so short bars get round ends.
    const qreal r = std::min({radius, rect.width() / 2, rect.height() / 2});
    painter->setPen(QPen(edge, 1));
    painter->setBrush(fill);
    painter->drawRoundedRect(rect, r, r);
}

}  // namespace

PLQStyle::PLQStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows"))) {}

QPalette PLQStyle::standardPalette() const {
    QPalette palette = QProxyStyle::standardPalette();
    const_cast<PLQStyle*>(this)->polish(palette);
    return palette;
}

void PLQStyle::polish(QPalette& palette) {
    setAllGroups(palette, QPalette::Window, QColor(72, 72, 72));
    setAllGroups(palette, QPalette::WindowText, QColor(210, 210, 210));
    setAllGroups(palette, QPalette::Button, QColor(72, 72, 72));
    setAllGroups(palette, QPalette::BrightText, QColor(210, 210, 210));
    setAllGroups(palette, QPalette::ButtonText, QColor(0, 0, 0));
    setAllGroups(palette, QPalette::Base, QColor(145, 152, 160));
    setAllGroups(palette, QPalette::Light, QColor(54, 54, 54));
    setAllGroups(palette, QPalette::Midlight, QColor(135, 135, 135));
    setAllGroups(palette, QPalette::Mid, QColor(100, 100, 100));
    setAllGroups(palette, QPalette::Dark, QColor(90, 90, 90));
    setAllGroups(palette, QPalette::Shadow, QColor(50, 50, 50));
    setAllGroups(palette, QPalette::Highlight, QColor(57, 64, 72));
    setAllGroups(palette, QPalette::HighlightedText, QColor(244, 156, 28));
}

void PLQStyle::polish(QWidget* widget) {
    QProxyStyle::polish(widget);
    QPalette palette = QApplication::palette();
    if (qobject_cast<QPushButton*>(widget) || qobject_cast<QComboBox*>(widget) || qobject_cast<QSpinBox*>(widget))
        widget->setFixedHeight(18);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget))
        area->setFrameStyle(QFrame::NoFrame);
    if (qobject_cast<QHeaderView*>(widget))
        setAllGroups(palette, QPalette::ButtonText, QColor(168, 192, 204));
    const bool scrollBar = qobject_cast<QScrollBar*>(widget) != nullptr;
    if (qobject_cast<QPushButton*>(widget) || qobject_cast<QCheckBox*>(widget) || scrollBar ||
        qobject_cast<QProgressBar*>(widget))
        applyButtonColours(palette, scrollBar);
    if (qobject_cast<QSpinBox*>(widget)) {
        setAllGroups(palette, QPalette::Highlight, QColor(178, 180, 191));
        setAllGroups(palette, QPalette::HighlightedText, QColor(0, 0, 0));
    }
    if (qobject_cast<QPushButton*>(widget) || qobject_cast<QCheckBox*>(widget))
        widget->setAttribute(Qt::WA_Hover);
    widget->setPalette(palette);
}

int PLQStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    if (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight)
        return 16;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

int PLQStyle::progressBlockLeft(int width, int totalSteps, int progress) {
    if (totalSteps <= 0)
        return 2;
    return 2 + int(double(width - 15) / totalSteps * progress);
}

// ---- primitives -----------------------------------------------------------------------------

void PLQStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
    switch (element) {
    case PE_IndicatorArrowRight:
    case PE_IndicatorArrowDown:
    case PE_IndicatorArrowLeft:
    case PE_IndicatorArrowUp:
        drawArrow(element, option, painter);
        return;
    case PE_IndicatorCheckBox:
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        drawButtonShape(option, painter, option->state & (State_On | State_Sunken));
        painter->restore();
        if (option->state & (State_On | State_NoChange))
            drawCheckMark(option, painter);
        return;
    default:
        break;
    }
    if (element == PE_DockTitle) {
        drawDockTitle(option, painter);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

// The push button and check box body: a rounded field, or, pressed, a dark field holding an
// orange one.
void PLQStyle::drawButtonShape(const QStyleOption* option, QPainter* painter, bool down) const {
    const QPalette& palette = option->palette;
    const QRectF outer = outlineRect(option->rect);
    if (!down) {
        const bool hover = (option->state & State_MouseOver) && (option->state & State_Enabled);
        drawRounded(painter, outer, kButtonRadius, palette.color(hover ? QPalette::Midlight : QPalette::Base),
                    palette.color(QPalette::Shadow));
        return;
    }
    drawRounded(painter, outer, kButtonRadius, palette.color(QPalette::Dark), palette.color(QPalette::Shadow));
    const QRectF inner = outer.adjusted(kPressedInset, kPressedInset, -kPressedInset, -kPressedInset);
    drawRounded(painter, inner, kPressedRadius, palette.color(QPalette::Highlight), palette.color(QPalette::Mid));
}

// A triangle pointing right, turned for the other directions, centred in a 7 x 7 box.
void PLQStyle::drawArrow(PrimitiveElement element, const QStyleOption* option, QPainter* painter) const {
    int degrees = 0;
    if (element == PE_IndicatorArrowDown)
        degrees = 90;
    else if (element == PE_IndicatorArrowLeft)
        degrees = 180;
    else if (element == PE_IndicatorArrowUp)
        degrees = 270;
    const QColor colour = option->palette.color(QPalette::ButtonText);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->translate(QRectF(option->rect).center());
    painter->rotate(degrees);
    painter->translate(-2.0, -4.0);
    const QPointF triangle[3] = {{0, 0}, {0, 8}, {4, 4}};
    painter->setPen(QPen(colour, 1));
    painter->setBrush(colour);
    painter->drawPolygon(triangle, 3);
    painter->restore();
}

void PLQStyle::drawCheckMark(const QStyleOption* option, QPainter* painter) const {
    const QPoint mark[6] = {{1, 7}, {1, 3}, {0, 3}, {0, 9}, {9, 0}, {8, 0}};
    const QPoint topLeft = option->rect.center() - QPoint(4, 4);
    painter->save();
    painter->translate(topLeft);
    painter->setPen(QPen(option->palette.color(QPalette::Shadow), 1));
    painter->setBrush(option->palette.color(QPalette::Shadow));
    painter->drawPolygon(mark, 6);
    painter->restore();
}

void PLQStyle::drawDockTitle(const QStyleOption* option, QPainter* painter) const {
    const QRect bar = option->rect;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    drawRounded(painter, outlineRect(bar), kDockRadius, kDockTitle, kDockTitle);
    painter->restore();
    const QPixmap bullet = embeddedPixmap(QStringLiteral("dock_bullet"));
    const int bulletX = bar.left() + 8;
    painter->drawPixmap(bulletX, bar.top() + (bar.height() - bullet.height()) / 2, bullet);
    QString title;
    if (const auto* dock = qstyleoption_cast<const QStyleOptionDockWidget*>(option))
        title = dock->title;
    const QRect textArea(bulletX + bullet.width() + 4, bar.top(), bar.right() - bulletX - bullet.width() - 4 - 8,
                         bar.height());
    painter->setPen(option->palette.color(QPalette::WindowText));
    painter->drawText(textArea, Qt::AlignCenter, title);
}

// ---- controls -------------------------------------------------------------------------------

void PLQStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                           const QWidget* widget) const {
    switch (element) {
    case CE_PushButtonBevel: {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        drawButtonShape(option, painter, option->state & (State_Sunken | State_On));
        painter->restore();
        return;
    }
    case CE_PushButtonLabel:
        drawPushButtonLabel(option, painter, widget);
        return;
    case CE_ProgressBarGroove:
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        drawRounded(painter, outlineRect(option->rect), kButtonRadius, option->palette.color(QPalette::Base),
                    option->palette.color(QPalette::Shadow));
        painter->restore();
        return;
    case CE_ProgressBarContents:
        drawProgressContents(option, painter);
        return;
    case CE_HeaderSection:
        drawHeaderSection(option, painter);
        return;
    default:
        QProxyStyle::drawControl(element, option, painter, widget);
    }
}

void PLQStyle::drawPushButtonLabel(const QStyleOption* option, QPainter* painter, const QWidget* widget) const {
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (!button) {
        QProxyStyle::drawControl(CE_PushButtonLabel, option, painter, widget);
        return;
    }
    QRect area = button->rect;
    if (button->features & QStyleOptionButton::HasMenu) {
        const int arrowWidth = 12;
        QStyleOption arrow = *option;
        arrow.rect = QRect(area.right() - arrowWidth - 2, area.top(), arrowWidth, area.height());
        arrow.palette.setColor(QPalette::ButtonText, button->palette.color(QPalette::BrightText));
        drawArrow(PE_IndicatorArrowDown, &arrow, painter);
        area.setRight(area.right() - arrowWidth - 2);
    }
    QColor colour = button->palette.color(QPalette::Midlight);
    if (button->state & (State_Sunken | State_On))
        colour = button->palette.color(QPalette::HighlightedText);
    else if (button->state & State_Enabled)
        colour = button->palette.color(QPalette::BrightText);
    if (!button->icon.isNull()) {
        const QIcon::Mode mode = (button->state & State_Enabled) ? QIcon::Normal : QIcon::Disabled;
        const QPixmap pixmap = button->icon.pixmap(button->iconSize, painter->device()->devicePixelRatio(), mode);
        const QSize size = pixmap.deviceIndependentSize().toSize();
        int x = area.center().x() - size.width() / 2;
        if (!button->text.isEmpty()) {
            const int textWidth = button->fontMetrics.horizontalAdvance(button->text);
            x = area.center().x() - (size.width() + 4 + textWidth) / 2;
            area.setLeft(x + size.width() + 4);
        }
        painter->drawPixmap(x, area.center().y() - size.height() / 2 + 1, pixmap);
        if (button->text.isEmpty())
            return;
        painter->setPen(colour);
        painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, button->text);
        return;
    }
    painter->setPen(colour);
    painter->drawText(area, Qt::AlignCenter | Qt::TextShowMnemonic, button->text);
}

// A 10-pixel block whose place follows the progress: the indicator shows motion, not amount.
void PLQStyle::drawProgressContents(const QStyleOption* option, QPainter* painter) const {
    const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option);
    if (!bar || bar->progress < 0 || bar->progress < bar->minimum)
        return;
    const QRect rect = bar->rect;
    const int left = progressBlockLeft(rect.width(), bar->maximum - bar->minimum, bar->progress - bar->minimum);
    const QRectF block(rect.left() + left + 0.5, rect.top() + 2 + 0.5, kProgressBlockWidth - 1, rect.height() - 4 - 1);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(bar->palette.color(QPalette::Dark), 1));
    painter->setBrush(bar->palette.color(QPalette::Highlight));
    painter->drawRoundedRect(block, 25, 25, Qt::RelativeSize);
    painter->restore();
}

void PLQStyle::drawHeaderSection(const QStyleOption* option, QPainter* painter) const {
    const QRect rect = option->rect;
    bool first = false;
    if (const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option))
        first = header->position == QStyleOptionHeader::Beginning ||
                header->position == QStyleOptionHeader::OnlyOneSection;
    painter->save();
    if (first) {
        painter->fillRect(rect, option->palette.color(QPalette::Window));
        painter->setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        const QRectF r(rect);
        path.moveTo(r.bottomLeft());
        path.lineTo(r.left(), r.top() + kHeaderRadius);
        path.arcTo(QRectF(r.left(), r.top(), 2 * kHeaderRadius, 2 * kHeaderRadius), 180, -90);
        path.lineTo(r.topRight());
        path.lineTo(r.bottomRight());
        path.closeSubpath();
        painter->fillPath(path, kSectionFill);
        painter->setPen(kSectionEdge);
        painter->drawPath(path);
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->drawLine(rect.left() + kHeaderRadius, rect.top(), rect.right(), rect.top());
    } else {
        painter->fillRect(rect, kSectionFill);
        painter->setPen(kSectionEdge);
        painter->drawLine(rect.topLeft(), rect.topRight());
        painter->setPen(kSectionSeparator);
        painter->drawLine(rect.left(), rect.top() + 1, rect.left(), rect.bottom());
    }
    painter->restore();
}

QRect PLQStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const {
    // The indicator shows no text, so groove and block may use the whole bar.
    if (element == SE_ProgressBarGroove || element == SE_ProgressBarContents)
        return option->rect;
    return QProxyStyle::subElementRect(element, option, widget);
}

// ---- complex controls -----------------------------------------------------------------------

void PLQStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                  const QWidget* widget) const {
    if (control == CC_ScrollBar) {
        drawScrollBar(option, painter, widget);
        return;
    }
    if (control == CC_ComboBox) {
        drawComboBox(option, painter, widget);
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QRect PLQStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                               const QWidget* widget) const {
    if (control == CC_ScrollBar)
        return scrollBarRect(option, sub, widget);
    return QProxyStyle::subControlRect(control, option, sub, widget);
}

// Flat scroll bars without arrow buttons: the groove is the whole bar and the slider moves
// along all of it.
QRect PLQStyle::scrollBarRect(const QStyleOptionComplex* option, SubControl sub, const QWidget* widget) const {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (!bar)
        return QProxyStyle::subControlRect(CC_ScrollBar, option, sub, widget);
    const QRect rect = bar->rect;
    const bool horizontal = bar->orientation == Qt::Horizontal;
    const int length = horizontal ? rect.width() : rect.height();
    const int range = bar->maximum - bar->minimum;
    int sliderLength = length;
    if (range > 0) {
        const int minimum = proxy()->pixelMetric(PM_ScrollBarSliderMin, bar, widget);
        sliderLength = int(qint64(bar->pageStep) * length / (qint64(range) + bar->pageStep));
        sliderLength = std::clamp(sliderLength, std::min(minimum, length), length);
    }
    const int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition, length - sliderLength,
                                              bar->upsideDown);
    auto along = [&](int from, int size) {
        return horizontal ? QRect(rect.left() + from, rect.top(), size, rect.height())
                          : QRect(rect.left(), rect.top() + from, rect.width(), size);
    };
    switch (sub) {
    case SC_ScrollBarGroove:
        return rect;
    case SC_ScrollBarSlider:
        return along(start, sliderLength);
    case SC_ScrollBarSubPage:
        return along(0, start);
    case SC_ScrollBarAddPage:
        return along(start + sliderLength, length - start - sliderLength);
    default:
        return QRect();
    }
}

void PLQStyle::drawScrollBar(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const {
    const QRect groove = scrollBarRect(option, SC_ScrollBarGroove, widget);
    const QRect slider = scrollBarRect(option, SC_ScrollBarSlider, widget);
    painter->save();
    painter->fillRect(option->rect, option->palette.color(QPalette::Window));
    painter->setRenderHint(QPainter::Antialiasing);
    drawRounded(painter, outlineRect(groove.adjusted(1, 1, -1, -1)), 8, kSectionSeparator, kSectionEdge);
    if ((option->state & State_Enabled) && slider.isValid()) {
        const bool active = option->activeSubControls & SC_ScrollBarSlider && (option->state & State_Sunken);
        drawRounded(painter, outlineRect(slider.adjusted(2, 2, -2, -2)), 8, active ? kComplexPart : kSectionFill,
                    kSectionEdge);
    }
    painter->restore();
}

void PLQStyle::drawComboBox(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const {
    const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
    if (!combo) {
        QProxyStyle::drawComplexControl(CC_ComboBox, option, painter, widget);
        return;
    }
    const QRect arrowArea = proxy()->subControlRect(CC_ComboBox, combo, SC_ComboBoxArrow, widget);
    const QRectF outer = outlineRect(combo->rect);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    drawRounded(painter, outer, kPressedRadius, combo->palette.color(QPalette::Base),
                combo->palette.color(QPalette::Shadow));
    QPainterPath field;
    const qreal r = std::min<qreal>(kPressedRadius, outer.height() / 2);
    field.addRoundedRect(outer, r, r);
    QPainterPath arrowPart;
    arrowPart.addRect(QRectF(arrowArea.left(), outer.top(), outer.right() - arrowArea.left(), outer.height()));
    painter->fillPath(field.intersected(arrowPart), kComplexPart);
    // With the keyboard focus the label is drawn in the orange of highlighted text, which is
    // only readable on a dark field.
    if ((combo->state & State_HasFocus) && !combo->editable) {
        QPainterPath edit;
        edit.addRect(QRectF(outer.left(), outer.top(), arrowArea.left() - outer.left(), outer.height()));
        painter->fillPath(field.intersected(edit), combo->palette.color(QPalette::Highlight));
    }
    painter->setPen(QPen(combo->palette.color(QPalette::Shadow), 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(outer, r, r);
    painter->restore();
    QStyleOption arrow = *option;
    arrow.rect = arrowArea;
    arrow.palette.setColor(QPalette::ButtonText, combo->state & State_Enabled ? QColor(30, 30, 30) : QColor(80, 80, 80));
    drawArrow(PE_IndicatorArrowDown, &arrow, painter);
}
