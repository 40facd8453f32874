#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "UiTestSupport.h"
#include "session/PLQShell.h"
#include "ui/PLQFilterPanel.h"
#include "ui/PLQSpinBox.h"

namespace {

class FilterPanelTest : public ::testing::Test {
protected:
    void open() {
        host.assign(64 * 64, 0u);
        shell = std::make_unique<PLQShell>(64, 64, host.data());
        panel = std::make_unique<PLQFilterPanel>(shell.get(), nullptr, "filterPanel");
        spy = std::make_unique<QSignalSpy>(panel.get(), &PLQFilterPanel::filterImageChanged);
        ASSERT_TRUE(showActive(panel.get()));
    }
    QCheckBox* check() const { return panel->findChild<QCheckBox*>(QStringLiteral("enableFilterCheck")); }
    PLQSpinBox* spin() const { return panel->findChild<PLQSpinBox*>(QStringLiteral("sizeSpin")); }
    QLineEdit* edit() const { return spin()->findChild<QLineEdit*>(QStringLiteral("lineEdit")); }
    void typeRadius(const QString& text) {
        typeInto(edit(), text);
        QTest::keyClick(edit(), Qt::Key_Return);
    }
    int radius() const { return shell->images().currentImage()->filterRadius(); }

    std::vector<uint32_t> host;
    std::unique_ptr<PLQShell> shell;
    std::unique_ptr<PLQFilterPanel> panel;
    std::unique_ptr<QSignalSpy> spy;
};

}  // namespace

// Without an image nothing can be switched; switched on, the radius starts at 10, a typed value
// is kept within 1-25 (with a beep), and switching off keeps the last radius shown.
TEST_F(FilterPanelTest, SwitchingOnStartsAtTenAndOffKeepsTheLastRadiusShown) {
    open();
    EXPECT_FALSE(check()->isEnabled());
    EXPECT_FALSE(spin()->acceptsInput());
    addCurrentImage(*shell, patternImage(40, 40));
    panel->updateParameters();
    EXPECT_TRUE(check()->isEnabled());
    EXPECT_FALSE(spin()->acceptsInput());

    QTest::mouseClick(check(), Qt::LeftButton);
    EXPECT_EQ(radius(), 10);
    EXPECT_EQ(edit()->text(), QStringLiteral("10"));
    EXPECT_TRUE(spin()->acceptsInput());
    BeepCounter beeps;
    typeRadius(QStringLiteral("30"));
    EXPECT_EQ(radius(), 25);
    EXPECT_EQ(beeps.count(), 1);
    typeRadius(QStringLiteral("4"));
    EXPECT_EQ(radius(), 4);

    QTest::mouseClick(check(), Qt::LeftButton);
    EXPECT_EQ(radius(), 0);
    EXPECT_FALSE(spin()->acceptsInput());
    EXPECT_EQ(edit()->text(), QStringLiteral("4"));
    QTest::mouseClick(check(), Qt::LeftButton);
    EXPECT_EQ(radius(), 10);
    EXPECT_EQ(spy->count(), 5);
    EXPECT_TRUE(shell->chunkChanged());
}

// The panel shows the current image's filter without reporting a change (the window test
// switches images); while locked it is disabled and shows what changed meanwhile once unlocked.
TEST_F(FilterPanelTest, ShowsTheFilterOfTheCurrentImageAlsoAfterALock) {
    open();
    addCurrentImage(*shell, patternImage(40, 40));
    shell->images().currentImage()->setFilterRadius(7);
    panel->updateParameters();
    EXPECT_TRUE(check()->isChecked());
    EXPECT_EQ(edit()->text(), QStringLiteral("7"));
    EXPECT_EQ(spy->count(), 0);

    panel->lockInterface(true);
    EXPECT_FALSE(panel->isEnabled());
    shell->images().currentImage()->setFilterRadius(12);
    panel->lockInterface(false);
    EXPECT_TRUE(panel->isEnabled());
    EXPECT_EQ(edit()->text(), QStringLiteral("12"));
}
