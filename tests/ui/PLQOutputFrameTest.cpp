#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <memory>
#include <vector>

#include <QApplication>
#include <QMenu>
#include <QPaintEvent>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "UiTestSupport.h"
#include "session/PLQShell.h"
#include "ui/PLQOutputFrame.h"

namespace {

// A session over a host image owned by the test, and its output view shown on its own.
class OutputFrameTest : public ::testing::Test {
protected:
    void open(const PixelBuffer& hostImage) {
        host.assign(hostImage.pixels(), hostImage.pixels() + hostImage.count());
        shell = std::make_unique<PLQShell>(hostImage.width(), hostImage.height(), host.data());
        frame = std::make_unique<PLQOutputFrame>(shell.get(), nullptr, "outputFrame");
        QObject::connect(frame.get(), &PLQOutputFrame::pasteChunk, frame.get(), [this] { ++pastes; });
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }
    void open(uint32_t width, uint32_t height) { open(filledPicture(width, height, 0)); }
    void setChunk(const PixelBuffer& pixels) {
        shell->images().setCurrent(shell->images().addImage(pixels));
        frame->updateChunk();
    }
    void wheel(int steps, Qt::KeyboardModifiers modifiers = {}) {
        for (int i = 0; i < std::abs(steps); ++i) {
            const QPointF at(5, 5);
            QWheelEvent event(at, frame->mapToGlobal(at), QPoint(), QPoint(0, steps > 0 ? 120 : -120), Qt::NoButton,
                              modifiers, Qt::NoScrollPhase, false);
            QApplication::sendEvent(frame.get(), &event);
        }
    }
    // Right-clicks at `at` and reports whether a menu opened; the menu's action named `choice`,
    // if any, is triggered before the menu closes.
    bool rightClickOpensMenu(QPoint at, const QString& choice = {}) {
        bool opened = false;
        QTimer::singleShot(50, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                opened = true;
                for (QAction* action : menu->actions())
                    if (action->text() == choice)
                        action->trigger();
                menu->close();
            }
        });
        QTest::mouseClick(frame.get(), Qt::RightButton, {}, at);
        QTest::qWait(100);
        return opened;
    }
    // A press and release at `at`, in plain events (QTest reads (0, 0) as "the centre" and would
    // move a pointer outside back into the view). `dragged`: the left button is held, as after
    // dragging the pointer out of the view, and the middle button pastes.
    void clickAt(QPoint at, bool dragged) {
        const Qt::MouseButton button = dragged ? Qt::MiddleButton : Qt::LeftButton;
        const Qt::MouseButtons held = dragged ? Qt::MouseButtons(Qt::LeftButton) : Qt::NoButton;
        sendMouse(frame.get(), QEvent::MouseMove, at, Qt::NoButton, held);
        sendMouse(frame.get(), QEvent::MouseButtonPress, at, button, held | button);
        sendMouse(frame.get(), QEvent::MouseButtonRelease, at, button, held);
    }
    QPoint pasteAt() const { return {shell->placement().pasteX, shell->placement().pasteY}; }

    std::vector<uint32_t> host;
    std::unique_ptr<PLQShell> shell;
    std::unique_ptr<PLQOutputFrame> frame;
    int pastes = 0;
};

}  // namespace

TEST_F(OutputFrameTest, ZoomStopsAtBothEndsAndSizesTheViewByTwoToTheLevelOverFive) {
    open(200, 100);
    EXPECT_EQ(frame->size(), QSize(200, 100));
    frame->setZoomIn();
    EXPECT_EQ(frame->size(), QSize(229, 114));  // 2^0.2 = 1.1487
    for (int i = 0; i < 12; ++i)
        frame->setZoomIn();
    EXPECT_EQ(frame->zoomLevel(), 10);
    EXPECT_EQ(frame->size(), QSize(800, 400));
    for (int i = 0; i < 25; ++i)
        frame->setZoomOut();
    EXPECT_EQ(frame->zoomLevel(), -10);
    EXPECT_EQ(frame->size(), QSize(50, 25));

    open(3, 2);  // a tiny output keeps one pixel at the smallest zoom
    for (int i = 0; i < 10; ++i)
        frame->setZoomOut();
    EXPECT_EQ(frame->size(), QSize(1, 1));
}

// The chunk is pasted centred under the pointer and wrapped into the output, however far outside
// the view the pointer is: the pointer can leave the view while the left button is held, and a
// press of another button pastes there. Left of the view there is no pointer position.
TEST_F(OutputFrameTest, PastesTheChunkCentredUnderThePointerWrappedIntoTheOutput) {
    open(40, 30);
    setChunk(filledPicture(6, 4, 0xFF00FF00u));
    const struct {
        QPoint pointer;
        bool dragged;
        QPoint pasted;  // the pointer less (2, 1), half the 6 x 4 preview, wrapped into 40 x 30
    } cases[] = {{{1, 1}, false, {39, 0}},     {{0, 0}, false, {38, 29}},   {{39, 29}, false, {37, 28}},
                 {{1000, -7}, true, {38, 22}}, {{45, 900}, true, {3, 29}}};
    for (const auto& c : cases) {
        clickAt(c.pointer, c.dragged);
        EXPECT_EQ(pasteAt(), c.pasted) << c.pointer.x() << "," << c.pointer.y();
    }
    EXPECT_EQ(pastes, 5);
    clickAt({-500, 10}, true);
    EXPECT_EQ(pastes, 5);
    frame->setZoomIn();  // 2^0.2: widget (23, 23) is output (20, 20)
    clickAt({23, 23}, false);
    EXPECT_EQ(pasteAt(), QPoint(18, 19));
}

TEST_F(OutputFrameTest, WheelScalesInClampedStepsCtrlWheelTurnsWithoutLimitAndTheMenuResetsBoth) {
    open(64, 64);
    setChunk(filledPicture(20, 10, 0xFF808080u));
    PlacementParameters& p = shell->placement();
    wheel(2);
    EXPECT_DOUBLE_EQ(p.scale, 1.5);  // 1.5625 clamped
    EXPECT_EQ(frame->previewImage().size(), QSize(30, 15));
    p.scale = 1.0;
    wheel(-8);
    EXPECT_NEAR(p.scale, 0.1001, 1e-4);
    wheel(-1);
    EXPECT_DOUBLE_EQ(p.scale, 0.1);
    p.scale = 1.0;
    wheel(1, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(p.scale, 1.1);
    wheel(-1, Qt::ShiftModifier);
    EXPECT_NEAR(p.scale, 0.99, 1e-12);

    p.scale = 1.0;
    wheel(72, Qt::ControlModifier);
    EXPECT_NEAR(p.angle, 2 * std::numbers::pi, 1e-6);
    wheel(72, Qt::ControlModifier);
    EXPECT_NEAR(p.angle, 4 * std::numbers::pi, 1e-6);  // not reduced to one turn
    p.angle = 0.0;
    wheel(-3, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_NEAR(p.angle, -3 * 0.00872664626, 1e-9);
    EXPECT_TRUE(shell->chunkChanged());

    wheel(1);
    ASSERT_NE(frame->previewImage().size(), QSize(20, 10));
    ASSERT_TRUE(rightClickOpensMenu({5, 5}, QStringLiteral("Reset transformations")));
    EXPECT_EQ(p.angle, 0.0);
    EXPECT_EQ(p.scale, 1.0);
    EXPECT_EQ(frame->previewImage().size(), QSize(20, 10));
}

// Nor without a chunk, when there is no preview either; nor during a run that left the view
// unlocked (as a single paste does).
TEST_F(OutputFrameTest, NothingIsPastedTurnedOrOfferedWhileLockedOrRunning) {
    open(1024, 1024);  // large, so that a small chunk takes a while to fill it
    frame->updateChunk();
    QTest::mouseMove(frame.get(), QPoint(20, 20));
    QTest::mouseClick(frame.get(), Qt::LeftButton, {}, QPoint(20, 20));
    wheel(3);
    EXPECT_TRUE(frame->previewImage().isNull());
    EXPECT_EQ(pastes, 0);
    EXPECT_EQ(shell->placement().scale, 1.0);

    setChunk(patternImage(16, 16));
    QTest::mouseMove(frame.get(), QPoint(10, 10));
    EXPECT_FALSE(frame->previewRect().isEmpty());
    frame->lockInterface(true);
    EXPECT_TRUE(frame->previewRect().isEmpty());  // the preview goes away with the lock
    QTest::mouseMove(frame.get(), QPoint(12, 12));
    QTest::mouseClick(frame.get(), Qt::LeftButton, {}, QPoint(12, 12));
    wheel(1);
    EXPECT_FALSE(rightClickOpensMenu(QPoint(12, 12)));
    EXPECT_EQ(pastes, 0);
    EXPECT_EQ(shell->placement().scale, 1.0);
    frame->lockInterface(false);
    EXPECT_TRUE(rightClickOpensMenu(QPoint(12, 12)));  // the checks above can see a menu

    QTest::mouseMove(frame.get(), QPoint(100, 100));
    shell->goStopEvent();
    ASSERT_TRUE(shell->isRunning());
    QTest::mouseClick(frame.get(), Qt::LeftButton, {}, QPoint(100, 100));
    const bool menu = rightClickOpensMenu(QPoint(100, 100));
    ASSERT_TRUE(stopRun(*shell));
    EXPECT_FALSE(menu);
    EXPECT_EQ(pastes, 0);
}

// Output 32 x 16. Host image: left half transparent, right half opaque (200, 100, 50) except
// column 31, which is the same colour at alpha 128. Checker squares: 255 where
// (x & 15) > 7 equals (y & 15) > 7, else 204.
TEST_F(OutputFrameTest, ComposesCoveredUncoveredAndPreviewPixelsAsDocumented) {
    PixelBuffer hostImage(32, 16);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 16; x < 32; ++x)
            hostImage.at(x, y) = makePixel(x == 31 ? 128 : 255, 200, 100, 50);
    open(hostImage);
    PixelBuffer& out = shell->output();
    out.at(1, 1) = makePixel(255, 10, 20, 30);
    out.at(20, 4) = makePixel(128, 0, 0, 255);
    out.at(0, 15) = makePixel(255, 10, 20, 30);
    frame->update();
    QImage shot = grabImage(frame.get());
    EXPECT_EQ(shot.pixelColor(1, 1), rgb(10, 20, 30));        // covered
    EXPECT_EQ(shot.pixelColor(2, 2), rgb(255, 255, 255));     // bare checker, light square
    EXPECT_EQ(shot.pixelColor(10, 2), rgb(204, 204, 204));    // bare checker, dark square
    EXPECT_EQ(shot.pixelColor(20, 2), rgb(163, 123, 106));    // (100 + 63, 50 + 63 + 10, 25 + 63 + 18)
    EXPECT_EQ(shot.pixelColor(24, 2), rgb(151, 111, 94));     // dark square: 204 / 4 = 51
    EXPECT_EQ(shot.pixelColor(31, 2), rgb(176, 156, 148));    // (t * 128 + 204 * 127) >> 8, t as at (24, 2)
    EXPECT_EQ(shot.pixelColor(20, 4), rgb(80, 61, 180));      // half covered over (163, 123, 106)

    // A 4 x 4 preview under the pointer at (30, 14) reaches past both edges: drawn at
    // (29, 13) and wrapped to x = -3 and y = -3.
    setChunk(filledPicture(4, 4, 0xFF00FF00u));
    QTest::mouseMove(frame.get(), QPoint(30, 14));
    EXPECT_EQ(frame->previewRect(), QRect(QPoint(-3, -3), QPoint(32, 16)));
    shot = grabImage(frame.get());
    // Green at alpha 127 over the pixel below: (d * 128 + s * 127) >> 8.
    EXPECT_EQ(shot.pixelColor(29, 13), rgb(81, 188, 53));     // over (163, 123, 106)
    EXPECT_EQ(shot.pixelColor(0, 0), rgb(127, 254, 127));     // wrapped both ways, over 255
    EXPECT_EQ(shot.pixelColor(0, 14), rgb(102, 228, 102));    // wrapped left only, over 204
    EXPECT_EQ(shot.pixelColor(0, 15), rgb(5, 136, 15));       // wrapped over a covered pixel
    EXPECT_EQ(shot.pixelColor(1, 0), rgb(255, 255, 255));     // just outside the wrapped piece
}

struct RepaintCase {
    const char* name;
    int zoomSteps;
    Box box;
    QRect expected;  // in widget pixels, clipped to the view
};

class OutputFrameRepaint : public OutputFrameTest, public ::testing::WithParamInterface<RepaintCase> {};

TEST_P(OutputFrameRepaint, RepaintsOnlyTheWidenedBoxOfAStep) {
    const RepaintCase& c = GetParam();
    open(32, 32);
    for (int i = 0; i < c.zoomSteps; ++i)
        frame->setZoomIn();
    QApplication::processEvents();
    PaintRecorder recorder(frame.get());
    frame->updateOutput(c.box);
    QApplication::processEvents();
    ASSERT_EQ(recorder.regions.size(), 1u);
    EXPECT_EQ(recorder.regions[0].boundingRect(), c.expected);
    EXPECT_EQ(recorder.regions[0].rectCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, OutputFrameRepaint,
    ::testing::Values(
        // k = 1: one pixel of margin plus one.
        RepaintCase{"Inside", 0, Box(10, 12, 14, 15), QRect(QPoint(8, 10), QPoint(16, 17))},
        // Past the right edge: the strip from the left edge is repainted too.
        RepaintCase{"WrapsRight", 0, Box(28, 5, 35, 9), QRect(QPoint(0, 3), QPoint(31, 11))},
        // Above the top: everything down to the bottom edge.
        RepaintCase{"WrapsTop", 0, Box(3, -4, 6, 2), QRect(QPoint(1, 0), QPoint(8, 31))},
        // Zoom 2 (five steps in): k = 2.
        RepaintCase{"Zoomed", 5, Box(10, 10, 12, 12), QRect(QPoint(17, 17), QPoint(27, 27))},
        RepaintCase{"EmptyBoxIsEverything", 0, Box(), QRect(0, 0, 32, 32)}),
    [](const auto& info) { return std::string(info.param.name); });
