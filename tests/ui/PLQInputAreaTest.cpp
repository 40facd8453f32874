#include <gtest/gtest.h>

#include <memory>

#include <QPushButton>
#include <QSignalSpy>

#include "UiTestSupport.h"
#include "chunks/InputImage.h"
#include "session/PLQShell.h"
#include "ui/PLQInputArea.h"
#include "ui/PLQInputPanel.h"

namespace {

// An input area over one input image of the given size, shown in a panel `panelWidth` wide.
class InputAreaTest : public ::testing::Test {
protected:
    void open(uint32_t width, uint32_t height, int panelWidth) {
        shell = std::make_unique<PLQShell>(512, 512);
        addCurrentImage(*shell, patternImage(width, height));
        area = std::make_unique<PLQInputArea>(shell.get(), nullptr, "inputArea");
        area->parentFrameResized(panelWidth);
        area->updateChunkAndImage();
        changes = std::make_unique<QSignalSpy>(area.get(), &PLQInputArea::chunkChanged);
    }
    Chunk& chunk() { return shell->images().currentImage()->current(); }

    std::unique_ptr<PLQShell> shell;
    std::unique_ptr<PLQInputArea> area;
    std::unique_ptr<QSignalSpy> changes;
};

}  // namespace

// When the window is short of room the picture shrinks to the area's height and sits in the
// middle of it; drags still land on the right image pixels.
TEST_F(InputAreaTest, ImageIsFittedToThePanelWidthLessTenOrSqueezedAndCentred) {
    open(100, 50, 410);
    EXPECT_EQ(area->displaySize(), QSize(400, 200));
    EXPECT_EQ(area->size(), QSize(400, 200));
    open(300, 600, 210);
    EXPECT_EQ(area->displaySize(), QSize(100, 200));

    open(200, 200, 310);  // would be shown at 300 x 300
    area->show();
    area->resize(300, 100);
    ASSERT_EQ(area->displaySize(), QSize(100, 100));
    drag(area.get(), {{110, 10}, {150, 60}});
    EXPECT_EQ(chunk().bounds, Box(20, 20, 100, 120));
}

TEST_F(InputAreaTest, RectangleDragSetsTheChunkBoundsInImagePixels) {
    open(400, 200, 210);  // shown at 200 x 100: one widget pixel is two image pixels
    drag(area.get(), {{50, 30}, {30, 40}, {10, 10}});
    EXPECT_EQ(chunk().bounds, Box(20, 20, 100, 60));
    EXPECT_EQ(chunk().outerMask.count(), 0u);
    EXPECT_EQ(changes->count(), 1);
    EXPECT_TRUE(shell->chunkChanged());

    // A click (no movement) gives the whole image back.
    drag(area.get(), {{5, 5}});
    EXPECT_EQ(chunk().bounds, Box(0, 0, 399, 199));
}

// The masks that adding and subtracting make are the selection's own business; here, which
// key picks which.
TEST_F(InputAreaTest, ShiftAddsToTheOuterLimitAndAltSubtracts) {
    open(200, 100, 210);  // shown at its own size
    drag(area.get(), {{20, 20}, {59, 59}});
    drag(area.get(), {{80, 20}, {99, 39}}, Qt::ShiftModifier);
    EXPECT_EQ(chunk().bounds, Box(20, 20, 99, 59));
    drag(area.get(), {{20, 20}, {59, 59}}, Qt::AltModifier);  // cuts the first rectangle away again
    EXPECT_EQ(chunk().bounds, Box(80, 20, 99, 39));
    EXPECT_EQ(changes->count(), 3);
}

// The lasso is filled at the image's resolution: the hypotenuse x + y = 140 of the triangle
// separates pixels one image pixel apart, which a fill at the shown size could not. A lasso
// of two points is a click.
TEST_F(InputAreaTest, LassoMakesAPolygonLimitAtFullResolution) {
    open(400, 200, 210);
    area->setTool(SelectionTool::Lasso);
    drag(area.get(), {{10, 10}, {60, 10}, {10, 60}, {10, 60}});
    ASSERT_EQ(chunk().bounds, Box(20, 20, 120, 120));
    const MaskBuffer& mask = chunk().outerMask;
    ASSERT_EQ(mask.width(), 101u);
    const auto at = [&](int x, int y) { return int(mask.at(uint32_t(x - 20), uint32_t(y - 20))); };
    EXPECT_EQ(at(25, 25), 255);
    EXPECT_EQ(at(70, 69), 255);
    EXPECT_EQ(at(70, 71), 0);
    EXPECT_EQ(at(115, 115), 0);

    drag(area.get(), {{30, 30}, {40, 40}});
    EXPECT_EQ(chunk().bounds, Box(0, 0, 399, 199));
}

TEST_F(InputAreaTest, InnerModeEditsTheInnerLimitOnly) {
    open(200, 100, 210);
    drag(area.get(), {{20, 20}, {79, 79}});
    area->setInnerMode(true);
    drag(area.get(), {{30, 30}, {39, 49}});
    EXPECT_EQ(chunk().bounds, Box(20, 20, 79, 79));
    EXPECT_EQ(chunk().outerMask.count(), 0u);
    const MaskBuffer& inner = chunk().innerMask;
    ASSERT_EQ(inner.width(), 60u);
    EXPECT_EQ(inner.at(35 - 20, 40 - 20), 255);
    EXPECT_EQ(inner.at(45 - 20, 40 - 20), 0);

    // A click drops the inner limit and keeps the outer one.
    drag(area.get(), {{5, 5}});
    EXPECT_EQ(chunk().innerMask.count(), 0u);
    EXPECT_EQ(chunk().bounds, Box(20, 20, 79, 79));
}

TEST_F(InputAreaTest, EditingIsIgnoredWhileLocked) {
    open(200, 100, 210);
    area->lockInterface(true);
    drag(area.get(), {{20, 20}, {59, 59}});
    EXPECT_EQ(chunk().bounds, Box(0, 0, 199, 99));
    EXPECT_EQ(changes->count(), 0);

    // A drag that a run interrupted is not applied when the run has ended.
    area->lockInterface(false);
    sendMouse(area.get(), QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(area.get(), QEvent::MouseMove, {40, 40}, Qt::NoButton, Qt::LeftButton);
    area->lockInterface(true);
    area->lockInterface(false);
    sendMouse(area.get(), QEvent::MouseButtonRelease, {40, 40}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(chunk().bounds, Box(0, 0, 199, 99));
}

// Outside the current chunk the picture is darkened; inside it is clear; the border is
// dashed black and green; another chunk shows only its dark green dashes.
TEST_F(InputAreaTest, OverlayDarkensAllButTheCurrentChunk) {
    open(200, 100, 210);
    drag(area.get(), {{20, 20}, {59, 59}});
    shell->images().currentImage()->addChunk();
    drag(area.get(), {{100, 10}, {149, 49}});
    area->updateChunk();
    const QImage& overlay = area->overlayImage();
    EXPECT_EQ(overlay.pixel(5, 5), 0x50000000u);
    EXPECT_EQ(overlay.pixel(120, 30), 0u);
    EXPECT_EQ(overlay.pixel(100, 10), 0xFF000000u);
    EXPECT_EQ(overlay.pixel(101, 10), 0xFF00FF00u);
    EXPECT_EQ(overlay.pixel(21, 20), 0xFF008000u);
    EXPECT_EQ(overlay.pixel(40, 40), 0x50000000u);
}

TEST(InputPanel, ToolButtonsFollowTheToolAndLimit) {
    PLQShell shell(512, 512);
    PLQInputPanel panel(&shell, nullptr, "inputPanel");
    auto* select = panel.findChild<QPushButton*>(QStringLiteral("selectButton"));
    auto* lasso = panel.findChild<QPushButton*>(QStringLiteral("lassoButton"));
    auto* limit = panel.findChild<QPushButton*>(QStringLiteral("minMaxButton"));
    ASSERT_TRUE(select && lasso && limit);
    lasso->click();
    EXPECT_EQ(panel.inputArea()->tool(), SelectionTool::Lasso);
    EXPECT_TRUE(lasso->isChecked());
    EXPECT_FALSE(select->isChecked());
    lasso->click();  // clicking the tool in use keeps it on
    EXPECT_TRUE(lasso->isChecked());
    limit->click();
    EXPECT_TRUE(panel.inputArea()->innerMode());
    limit->click();
    EXPECT_FALSE(panel.inputArea()->innerMode());
    select->click();
    EXPECT_EQ(panel.inputArea()->tool(), SelectionTool::Rectangle);
}
