#include <gtest/gtest.h>

#include <memory>

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "UiTestSupport.h"
#include "chunks/InputImage.h"
#include "session/PLQShell.h"
#include "ui/PLQChunkPanel.h"
#include "ui/PLQGenerateDialog.h"
#include "ui/PLQSpinBox.h"

namespace {

// A chunk panel over a session with one input image, shown in its own active window so that
// its keys work.
class ChunkPanelTest : public ::testing::Test {
protected:
    void open(uint32_t imageSide = 40, uint32_t outputSide = 512) {
        shell = std::make_unique<PLQShell>(outputSide, outputSide);
        addCurrentImage(*shell, patternImage(imageSide, imageSide));
        panel = std::make_unique<PLQChunkPanel>(shell.get(), nullptr, "chunkPanel");
        ASSERT_TRUE(showActive(panel.get()));
    }
    QPushButton* button(const char* name) { return panel->findChild<QPushButton*>(QLatin1String(name)); }
    InputImage* image() { return shell->images().currentImage(); }
    // Runs "Generate Randomly..." with the dialog's fields set as given, pressing "Generate".
    void generate(int count, int percent) {
        QTimer::singleShot(0, [=] {
            auto* dialog = qobject_cast<PLQGenerateDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->numberChunks()->setValue(count);
            dialog->sizeChunks()->setValue(percent);
            dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        });
        button("generateButton")->click();
    }

    std::unique_ptr<PLQShell> shell;
    std::unique_ptr<PLQChunkPanel> panel;
};

}  // namespace

TEST_F(ChunkPanelTest, NewNextAndDeleteFollowTheChunkList) {
    open();
    QSignalSpy listChanges(panel.get(), &PLQChunkPanel::chunkListChanged);
    QSignalSpy currentChanges(panel.get(), &PLQChunkPanel::currentOrListChanged);
    QSignalSpy deletions(panel.get(), &PLQChunkPanel::deleteSelectedChunks);
    EXPECT_FALSE(button("nextButton")->isEnabled());
    EXPECT_FALSE(button("deleteButton")->isEnabled());

    button("newButton")->click();
    EXPECT_EQ(image()->chunkCount(), 2u);
    EXPECT_EQ(image()->currentChunk(), 1u);
    EXPECT_TRUE(button("nextButton")->isEnabled());
    EXPECT_TRUE(button("deleteButton")->isEnabled());
    EXPECT_EQ(listChanges.count(), 1);

    // Tab moves on like "Next (Tab)", wrapping after the last chunk. (A key presses its
    // button visibly, so the click comes a moment later.)
    QTest::keyClick(panel.get(), Qt::Key_Tab);
    EXPECT_TRUE(waitUntil([&] { return image()->currentChunk() == 0; }, 2000));
    button("nextButton")->click();
    EXPECT_EQ(image()->currentChunk(), 1u);
    EXPECT_EQ(currentChanges.count(), 3);

    // Delete asks the images panel to delete the selected chunks, as the button does.
    QTest::keyClick(panel.get(), Qt::Key_Delete);
    EXPECT_TRUE(waitUntil([&] { return deletions.count() == 1; }, 2000));
    button("deleteButton")->click();
    EXPECT_EQ(deletions.count(), 2);
    EXPECT_EQ(listChanges.count(), 3);
}

TEST_F(ChunkPanelTest, ProbabilityOfOneChunkMovesTheOthers) {
    open();
    button("newButton")->click();
    auto* spin = panel->findChild<PLQSpinBox*>(QStringLiteral("probSpin"));
    EXPECT_FALSE(spin->acceptsInput());  // only while mixing
    shell->placement().mixChunks = true;
    panel->multiInputToggle();
    ASSERT_TRUE(spin->acceptsInput());
    EXPECT_EQ(spin->value(), 50);

    QSignalSpy probChanges(panel.get(), &PLQChunkPanel::probChanged);
    auto* edit = spin->findChild<QLineEdit*>();
    edit->setText(QStringLiteral("30"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FLOAT_EQ(image()->chunk(1)->probability, 0.3f);
    EXPECT_FLOAT_EQ(image()->chunk(0)->probability, 0.7f);
    EXPECT_EQ(probChanges.count(), 1);
    button("nextButton")->click();
    EXPECT_EQ(spin->value(), 70);
}

// Also on an image too small for the asked size: each chunk is at least a pixel.
TEST_F(ChunkPanelTest, GenerateAddsTheAskedChunksAndKeepsTheCurrentOne) {
    open(3);
    button("newButton")->click();
    button("nextButton")->click();
    QSignalSpy listChanges(panel.get(), &PLQChunkPanel::chunkListChanged);
    generate(5, 20);
    EXPECT_EQ(image()->chunkCount(), 7u);
    EXPECT_EQ(image()->currentChunk(), 0u);
    EXPECT_EQ(image()->chunk(6)->bounds.width(), 1);
    EXPECT_EQ(listChanges.count(), 1);
}

TEST_F(ChunkPanelTest, GenerateDoesNothingDuringARun) {
    open(16, 1024);
    PLQGenerateDialog dialog(shell.get(), panel.get(), "generateDialog");
    dialog.show();
    shell->goStopEvent();
    ASSERT_TRUE(shell->isRunning());
    dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(image()->chunkCount(), 1u);
    ASSERT_TRUE(stopRun(*shell));
}
