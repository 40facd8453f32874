#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyleOption>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "UiTestSupport.h"
#include "ui/PLQDockWindow.h"
#include "ui/PLQStyle.h"

namespace {

struct RoleColour {
    QPalette::ColorRole role;
    QColor colour;
};

void expectRoles(const QPalette& palette, std::initializer_list<RoleColour> roles, const char* what) {
    for (const RoleColour& r : roles)
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            EXPECT_EQ(palette.color(group, r.role), r.colour) << what << " role " << int(r.role) << " group " << group;
}

}  // namespace

TEST(PLQStyle, PaletteIsDarkGreyWithOrangeHighlightedTextInEveryGroup) {
    PLQStyle style;
    QPalette palette;
    const QColor text = palette.color(QPalette::Text);
    style.polish(palette);
    expectRoles(palette,
                {{QPalette::Window, rgb(72, 72, 72)},        {QPalette::WindowText, rgb(210, 210, 210)},
                 {QPalette::Button, rgb(72, 72, 72)},        {QPalette::BrightText, rgb(210, 210, 210)},
                 {QPalette::ButtonText, rgb(0, 0, 0)},       {QPalette::Base, rgb(145, 152, 160)},
                 {QPalette::Light, rgb(54, 54, 54)},         {QPalette::Midlight, rgb(135, 135, 135)},
                 {QPalette::Mid, rgb(100, 100, 100)},        {QPalette::Dark, rgb(90, 90, 90)},
                 {QPalette::Shadow, rgb(50, 50, 50)},        {QPalette::Highlight, rgb(57, 64, 72)},
                 {QPalette::HighlightedText, rgb(244, 156, 28)}},
                "application");
    EXPECT_EQ(palette.color(QPalette::Text), text);
    expectRoles(style.standardPalette(), {{QPalette::Window, rgb(72, 72, 72)}}, "standard");
}

TEST(PLQStyle, WidgetPolishGivesButtonsOrangeAccentsFixedHeightsAndSixteenPixelCheckBoxes) {
    PLQStyle style;
    QPushButton button;
    QScrollBar scrollBar;
    QHeaderView header(Qt::Horizontal);
    QSpinBox spinBox;
    QTreeWidget list;
    for (QWidget* widget : std::initializer_list<QWidget*>{&button, &scrollBar, &header, &spinBox, &list})
        style.polish(widget);
    const std::initializer_list<RoleColour> buttonRoles = {
        {QPalette::ButtonText, rgb(210, 210, 210)}, {QPalette::Base, rgb(96, 96, 96)},
        {QPalette::Mid, rgb(225, 148, 36)},         {QPalette::Dark, rgb(170, 126, 62)},
        {QPalette::Shadow, rgb(48, 48, 48)},        {QPalette::Highlight, rgb(244, 156, 28)},
        {QPalette::HighlightedText, rgb(0, 0, 0)}};
    expectRoles(button.palette(), buttonRoles, "push button");
    expectRoles(button.palette(), {{QPalette::Button, rgb(72, 72, 72)}}, "push button");
    expectRoles(scrollBar.palette(), buttonRoles, "scroll bar");
    expectRoles(scrollBar.palette(), {{QPalette::Button, rgb(64, 64, 64)}}, "scroll bar");
    expectRoles(header.palette(), {{QPalette::ButtonText, rgb(168, 192, 204)}}, "header");
    expectRoles(spinBox.palette(), {{QPalette::Highlight, rgb(178, 180, 191)}, {QPalette::HighlightedText, rgb(0, 0, 0)}},
                "spin box");
    EXPECT_EQ(button.maximumHeight(), 18);
    EXPECT_EQ(button.minimumHeight(), 18);
    EXPECT_EQ(spinBox.maximumHeight(), 18);
    EXPECT_EQ(list.frameStyle(), 0);

    QCheckBox box(QStringLiteral("Mix chunks randomly"));
    box.setStyle(&style);
    QStyleOptionButton option;
    option.initFrom(&box);
    EXPECT_EQ(style.subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box).size(), QSize(16, 16));
}

// The block is found in a real drawing: the first column, from the left, that holds the
// bar's orange highlight.
TEST(PLQStyle, ProgressBlockMovesAlongTheBarWithTheProgress) {
    PLQStyle style;
    QProgressBar bar;
    style.polish(&bar);
    bar.setStyle(&style);
    bar.resize(115, 18);
    const QColor orange(244, 156, 28);
    const struct {
        int progress;
        int left;  // 2 + truncate((115 - 15) / 100 * progress)
    } cases[] = {{0, 2}, {10, 12}, {55, 57}, {90, 92}, {100, 102}};
    for (const auto& c : cases) {
        QImage image(bar.size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        QStyleOptionProgressBar option;
        option.initFrom(&bar);
        option.minimum = 0;
        option.maximum = 100;
        option.progress = c.progress;
        QPainter painter(&image);
        style.drawControl(QStyle::CE_ProgressBarContents, &option, &painter, &bar);
        painter.end();
        int first = -1;
        for (int x = 0; x < image.width() && first < 0; ++x)
            if (image.pixelColor(x, 9) == orange)
                first = x;
        // The one-pixel outline lies at the block's left edge; the fill starts just inside.
        EXPECT_EQ(first, c.left + 1) << "progress " << c.progress;
        EXPECT_EQ(PLQStyle::progressBlockLeft(115, 100, c.progress), c.left);
    }
}

// With the focus, the orange label must sit on the dark fill, never on the light field.
TEST(PLQStyle, FocusedComboBoxShowsItsOrangeLabelOnADarkField) {
    PLQStyle style;
    QPalette palette;
    style.polish(palette);
    QComboBox combo;
    combo.setStyle(&style);
    combo.setPalette(palette);
    combo.addItem(QStringLiteral("Semi-Regular"));
    combo.resize(140, 18);
    const QColor orange(244, 156, 28);
    for (bool focused : {false, true}) {
        QStyleOptionComboBox option;
        option.initFrom(&combo);
        option.editable = false;
        option.currentText = combo.currentText();
        option.subControls = QStyle::SC_All;
        option.state.setFlag(QStyle::State_HasFocus, focused);
        QImage image(combo.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setPen(palette.color(QPalette::Text));
        style.drawComplexControl(QStyle::CC_ComboBox, &option, &painter, &combo);
        style.drawControl(QStyle::CE_ComboBoxLabel, &option, &painter, &combo);
        painter.end();
        int orangePixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                orangePixels += image.pixelColor(x, y) == orange;
        // (100, 9): inside the field, right of the text and left of the arrow part.
        EXPECT_EQ(image.pixelColor(100, 9), focused ? rgb(57, 64, 72) : rgb(145, 152, 160)) << focused;
        EXPECT_EQ(orangePixels > 0, focused);
    }
}

TEST(PLQDockWindow, ShowsItsTitleBarAndReplacesItsPanel) {
    PLQStyle style;
    PLQDockWindow dock(nullptr, "dock");
    dock.setStyle(&style);
    dock.setWindowTitle(QStringLiteral("Automation"));
    auto* first = new QWidget;
    first->setMinimumHeight(40);
    dock.setWidget(first);
    dock.resize(200, 120);
    dock.show();
    const QImage shot = grabImage(&dock);
    EXPECT_EQ(shot.pixelColor(100, 2), rgb(48, 48, 48));  // the title bar, away from the text
    EXPECT_GE(first->y(), 1 + PLQDockWindow::kTitleHeight);
    const int height = first->height();

    auto* second = new QWidget;
    second->setMinimumHeight(40);
    dock.setWidget(second);
    QApplication::processEvents();
    dock.layout()->activate();
    EXPECT_EQ(dock.widget(), second);
    EXPECT_EQ(first->parent(), &dock);  // kept, no longer laid out
    EXPECT_EQ(dock.layout()->indexOf(first), -1);
    EXPECT_EQ(second->height(), height);  // one bottom spacing, not two
}
