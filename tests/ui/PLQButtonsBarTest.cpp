#include <gtest/gtest.h>

#include <vector>

#include <QMetaObject>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "UiTestSupport.h"
#include "ui/PLQButtonsBar.h"
#include "ui/PLQOutputFrame.h"
#include "ui/PLQProgress.h"

namespace {

// The bar of a main window over a 256 x 256 picture, so that its commands take the window's
// own way to the session.
class ButtonsBarTest : public WindowTest {
protected:
    void SetUp() override { open(256, 256); }
    PLQButtonsBar* bar() { return window->findChild<PLQButtonsBar*>(); }
    void click(const char* button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    // Which of Undo, Redo, Clear, Paste Input, Apply and Cancel are enabled, in that order.
    std::vector<bool> enabled() {
        std::vector<bool> states;
        for (const char* name : {"undoButton", "redoButton", "clearButton", "pasteButton", "applyButton", "cancelButton"})
            states.push_back(child<QPushButton>(name)->isEnabled());
        return states;
    }
};

using States = std::vector<bool>;

}  // namespace

// A click in the output view pastes; the bar's commands act on the output and follow its history.
TEST_F(ButtonsBarTest, PasteByClickUndoRedoClearAndPasteInputChangeTheOutputAndTheButtons) {
    EXPECT_EQ(enabled(), (States{false, false, true, true, true, true}));
    loadPattern(16);
    PLQOutputFrame* frame = window->outputFrame();  // a click at output pixel (40, 30), zoom 0
    sendMouse(frame, QEvent::MouseMove, {40, 30}, Qt::NoButton, Qt::NoButton);
    sendMouse(frame, QEvent::MouseButtonPress, {40, 30}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(frame, QEvent::MouseButtonRelease, {40, 30}, Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(host[size_t(30) * 256 + 40] >> 24, 255u);
    const std::vector<uint32_t> pasted = host;
    EXPECT_EQ(enabled(), (States{true, false, true, true, true, true}));

    click("undoButton");
    EXPECT_TRUE(outputIsEmpty());
    EXPECT_EQ(enabled(), (States{false, true, true, true, true, true}));
    click("redoButton");
    EXPECT_EQ(host, pasted);
    EXPECT_EQ(enabled(), (States{true, false, true, true, true, true}));
    click("clearButton");
    EXPECT_TRUE(outputIsEmpty());
    click("pasteButton");
    EXPECT_EQ(host, pixelsOf(patternImage(256, 256)));  // the host picture as the window got it
}

TEST_F(ButtonsBarTest, CtrlZActsOnlyWhileUndoIsEnabled) {
    QSignalSpy undos(bar(), &PLQButtonsBar::undoButtonClicked);
    QTest::keyClick(bar(), Qt::Key_Z, Qt::ControlModifier);
    QTest::qWait(300);  // a shortcut clicks its button after a short animation
    EXPECT_EQ(undos.count(), 0);
    EXPECT_EQ(shell().historySize(), 1u);

    click("clearButton");  // a second history entry
    QTest::keyClick(bar(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(undos.wait(2000));
    EXPECT_EQ(shell().undoDepth(), 1u);
    QSignalSpy redos(bar(), &PLQButtonsBar::redoButtonClicked);
    QTest::keyClick(bar(), Qt::Key_Y, Qt::ControlModifier);
    ASSERT_TRUE(redos.wait(2000));
    EXPECT_EQ(shell().undoDepth(), 0u);
}

TEST_F(ButtonsBarTest, DuringARunOnlyApplyAndCancelWorkAndTheIndicatorMoves) {
    loadPattern(8);
    auto* progress = bar()->findChild<PLQProgress*>(QStringLiteral("progressBar"));
    QSignalSpy steps(&shell(), &PLQShell::updateStep);
    shell().goStopEvent();
    ASSERT_TRUE(shell().isRunning());
    EXPECT_EQ(enabled(), (States{false, false, false, false, true, true}));
    EXPECT_TRUE(progress->isMoving());
    // An end of step or undo meanwhile must not bring the buttons back.
    bar()->updateButtons();
    EXPECT_EQ(enabled(), (States{false, false, false, false, true, true}));

    ASSERT_TRUE(waitUntil([&] { return steps.count() > 0; }));  // something to undo afterwards
    ASSERT_TRUE(stopRun(shell()));
    EXPECT_FALSE(progress->isMoving());
    EXPECT_LT(progress->value(), progress->minimum());  // empty: no block drawn
    EXPECT_EQ(enabled(), (States{true, false, true, true, true, true}));
}

TEST(PLQProgress, BlockBouncesBetweenTenAndNinetyFromAStoppedBar) {
    PLQProgress progress(nullptr, "progressBar");
    progress.start();
    progress.stop();
    std::vector<int> values;
    for (int i = 0; i < 19; ++i) {
        QMetaObject::invokeMethod(&progress, "step");
        values.push_back(progress.value());
    }
    EXPECT_EQ(values, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 80, 70, 60, 50, 40, 30, 20, 10, 20, 30}));
}
