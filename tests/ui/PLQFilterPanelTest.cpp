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
        panel->show();
        panel->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
    }
    QCheckBox* check() const { return panel->findChild<QCheckBox*>(QStringLiteral("enableFilterCheck")); }
    PLQSpinBox* spin() const { return panel->findChild<PLQSpinBox*>(QStringLiteral("sizeSpin")); }
    QLineEdit* edit() const { return spin()->findChild<QLineEdit*>(QStringLiteral("lineEdit")); }
    void typeRadius(const QString& text) {
        edit()->setFocus();
        edit()->selectAll();
        QTest::keyClick(edit(), Qt::Key_Backspace);
        QTest::keyClicks(edit(), text);
        QTest::keyClick(edit(), Qt::Key_Return);
    }
    int radius() const { return shell->images().currentImage()->filterRadius(); }

    std::vector<uint32_t> host;
    std::unique_ptr<PLQShell> shell;
    std::unique_ptr<PLQFilterPanel> panel;
    std::unique_ptr<QSignalSpy> spy;
};

}  // namespace

TEST_F(FilterPanelTest, WithoutAnImageNothingCanBeSwitched) {
    open();
    EXPECT_FALSE(check()->isEnabled());
    EXPECT_FALSE(spin()->acceptsInput());
}

TEST_F(FilterPanelTest, SwitchingOnStartsAtTenAndOffKeepsTheLastRadiusShown) {
    open();
    addCurrentImage(*shell, variedChunk(40, 40));
    panel->updateParameters();
    EXPECT_TRUE(check()->isEnabled());
    EXPECT_FALSE(spin()->acceptsInput());

    QTest::mouseClick(check(), Qt::LeftButton);
    EXPECT_EQ(radius(), 10);
    EXPECT_EQ(edit()->text(), QStringLiteral("10"));
    EXPECT_TRUE(spin()->acceptsInput());
    typeRadius(QStringLiteral("4"));
    EXPECT_EQ(radius(), 4);

    QTest::mouseClick(check(), Qt::LeftButton);
    EXPECT_EQ(radius(), 0);
    EXPECT_FALSE(spin()->acceptsInput());
    EXPECT_EQ(edit()->text(), QStringLiteral("4"));
    QTest::mouseClick(check(), Qt::LeftButton);
    EXPECT_EQ(radius(), 10);
    EXPECT_EQ(spy->count(), 4);
    EXPECT_TRUE(shell->chunkChanged());
}

TEST_F(FilterPanelTest, ATypedRadiusAboveTwentyFiveIsStoredAsTwentyFive) {
    open();
    addCurrentImage(*shell, variedChunk(40, 40));
    panel->updateParameters();
    QTest::mouseClick(check(), Qt::LeftButton);
    BeepCounter beeps;
    typeRadius(QStringLiteral("30"));
    EXPECT_EQ(radius(), 25);
    EXPECT_EQ(beeps.count(), 1);
}

TEST_F(FilterPanelTest, ShowsTheFilterOfWhicheverImageIsCurrent) {
    open();
    const uint32_t first = addCurrentImage(*shell, variedChunk(40, 40));
    shell->images().currentImage()->setFilterRadius(7);
    addCurrentImage(*shell, variedChunk(30, 30));
    panel->updateParameters();
    EXPECT_FALSE(check()->isChecked());
    shell->images().setCurrent(first);
    panel->updateParameters();
    EXPECT_TRUE(check()->isChecked());
    EXPECT_EQ(edit()->text(), QStringLiteral("7"));
    EXPECT_EQ(spy->count(), 0);
}

TEST_F(FilterPanelTest, LockedPanelIsDisabledAndRefreshedWhenUnlocked) {
    open();
    addCurrentImage(*shell, variedChunk(40, 40));
    panel->updateParameters();
    panel->lockInterface(true);
    EXPECT_FALSE(panel->isEnabled());
    shell->images().currentImage()->setFilterRadius(12);
    panel->lockInterface(false);
    EXPECT_TRUE(panel->isEnabled());
    EXPECT_TRUE(check()->isChecked());
    EXPECT_EQ(edit()->text(), QStringLiteral("12"));
}
