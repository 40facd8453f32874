#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QMetaObject>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "UiTestSupport.h"
#include "session/PLQShell.h"
#include "ui/PLQButtonsBar.h"
#include "ui/PLQProgress.h"

namespace {

// A buttons bar wired to its shell as the main window wires it.
class ButtonsBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.assign(size_t(kSide) * kSide, 0xFF404040u);
        shell = std::make_unique<PLQShell>(kSide, kSide, host.data());
        bar = std::make_unique<PLQButtonsBar>(shell.get(), nullptr, "buttonsBar");
        PLQShell* s = shell.get();
        PLQButtonsBar* b = bar.get();
        QObject::connect(s, &PLQShell::lockInterface, b, &PLQButtonsBar::lockInterface);
        QObject::connect(s, &PLQShell::updateTerminated, b, &PLQButtonsBar::updateButtons);
        QObject::connect(b, &PLQButtonsBar::undoButtonClicked, s, &PLQShell::undoEvent);
        QObject::connect(b, &PLQButtonsBar::redoButtonClicked, s, &PLQShell::redoEvent);
        QObject::connect(b, &PLQButtonsBar::clearButtonClicked, s, &PLQShell::clearEvent);
        QObject::connect(b, &PLQButtonsBar::pasteButtonClicked, s, &PLQShell::pasteEvent);
        ASSERT_TRUE(showActive(bar.get()));
    }
    QPushButton* button(const char* name) const {
        return bar->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    // Which of Undo, Redo, Clear, Paste Input, Apply and Cancel are enabled, in that order.
    std::vector<bool> enabled() const {
        std::vector<bool> states;
        for (const char* name : {"undoButton", "redoButton", "clearButton", "pasteButton", "applyButton", "cancelButton"})
            states.push_back(button(name)->isEnabled());
        return states;
    }
    bool pasteOnce() {
        shell->placement().pasteX = 3;
        shell->placement().pasteY = 3;
        shell->pasteChunkEvent();
        return waitUntil([&] { return !shell->isRunning(); });
    }

    static constexpr uint32_t kSide = 256;
    std::vector<uint32_t> host;
    std::unique_ptr<PLQShell> shell;
    std::unique_ptr<PLQButtonsBar> bar;
};

using States = std::vector<bool>;

}  // namespace

TEST_F(ButtonsBarTest, UndoAndRedoFollowPasteAndUndo) {
    EXPECT_EQ(enabled(), (States{false, false, true, true, true, true}));
    addCurrentImage(*shell, patternImage(8, 8));
    ASSERT_TRUE(pasteOnce());
    EXPECT_EQ(enabled(), (States{true, false, true, true, true, true}));
    QTest::mouseClick(button("undoButton"), Qt::LeftButton);
    EXPECT_EQ(enabled(), (States{false, true, true, true, true, true}));
    QTest::mouseClick(button("redoButton"), Qt::LeftButton);
    EXPECT_EQ(enabled(), (States{true, false, true, true, true, true}));
}

TEST_F(ButtonsBarTest, CtrlZActsOnlyWhileUndoIsEnabled) {
    QSignalSpy undos(bar.get(), &PLQButtonsBar::undoButtonClicked);
    QTest::keyClick(bar.get(), Qt::Key_Z, Qt::ControlModifier);
    QTest::qWait(300);  // a shortcut clicks its button after a short animation
    EXPECT_EQ(undos.count(), 0);
    EXPECT_EQ(shell->historySize(), 1u);

    QTest::mouseClick(button("clearButton"), Qt::LeftButton);  // a second history entry
    QTest::keyClick(bar.get(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(undos.wait(2000));
    EXPECT_EQ(shell->undoDepth(), 1u);
    QSignalSpy redos(bar.get(), &PLQButtonsBar::redoButtonClicked);
    QTest::keyClick(bar.get(), Qt::Key_Y, Qt::ControlModifier);
    ASSERT_TRUE(redos.wait(2000));
    EXPECT_EQ(shell->undoDepth(), 0u);
}

TEST_F(ButtonsBarTest, DuringARunOnlyApplyAndCancelWorkAndTheIndicatorMoves) {
    addCurrentImage(*shell, patternImage(8, 8));
    auto* progress = bar->findChild<PLQProgress*>(QStringLiteral("progressBar"));
    int steps = 0;
    QObject::connect(shell.get(), &PLQShell::updateStep, bar.get(), [&] { ++steps; });
    shell->goStopEvent();
    ASSERT_TRUE(shell->isRunning());
    EXPECT_EQ(enabled(), (States{false, false, false, false, true, true}));
    EXPECT_TRUE(progress->isMoving());
    // An end of step or undo meanwhile must not bring the buttons back.
    bar->updateButtons();
    EXPECT_EQ(enabled(), (States{false, false, false, false, true, true}));

    ASSERT_TRUE(waitUntil([&] { return steps > 0; }));  // something to undo afterwards
    ASSERT_TRUE(stopRun(*shell));
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
