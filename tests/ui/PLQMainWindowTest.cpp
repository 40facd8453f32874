#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>

#include "UiTestSupport.h"
#include "chunks/InputImage.h"
#include "session/PLQChunkItem.h"
#include "session/PLQImageItem.h"
#include "session/PLQImagesPanel.h"
#include "ui/PLQChunkPanel.h"
#include "ui/PLQFilterPanel.h"
#include "ui/PLQInputArea.h"
#include "ui/PLQInputPanel.h"
#include "ui/PLQOutputFrame.h"
#include "ui/PLQSpinBox.h"
#include "ui/PLQStyle.h"
#include "ui/SessionRunner.h"

namespace {

class MainWindowTest : public WindowTest {
protected:
    InputImage* image() { return shell().images().currentImage(); }
};

}  // namespace

// Every receiver of the shell's lock: each panel stops taking input during a run and takes
// it again afterwards; the go/stop button stays usable and reads "Stop". The test holds the
// view lock, which every write of the output needs, until Escape is sent: however slow the
// machine, the run cannot have covered the output before the stop.
TEST_F(MainWindowTest, RunLocksEveryPanelAndEscapeStopsItWithoutClosing) {
    open(512, 512);
    loadPattern(16);
    loadPattern(12);  // mixing needs two chunks; the second image gives one
    auto* goStop = child<QPushButton>("goStopButton");
    const std::vector<QWidget*> locked = {
        child<QComboBox>("placementCombo"), child<QWidget>("propStack"), child<QCheckBox>("multiCheck"),
        child<QPushButton>("clearButton"),  window->chunkPanel(),        window->filterPanel(),
        window->imagePanel(),               child<QWidget>("toolBar")};
    const auto lockedState = [&](bool on) {
        for (QWidget* widget : locked)
            EXPECT_EQ(widget->isEnabled(), !on) << widget->objectName().toStdString();
        EXPECT_EQ(window->inputPanel()->inputArea()->isLocked(), on);
        EXPECT_EQ(window->outputFrame()->isLocked(), on);
        EXPECT_EQ(goStop->text(), on ? "Stop" : "Start process");
        EXPECT_TRUE(goStop->isEnabled());
    };
    {
        const std::lock_guard<std::mutex> paused(shell().viewLock());
        goStop->click();
        ASSERT_TRUE(shell().isRunning());
        lockedState(true);
        QTest::keyClick(window.get(), Qt::Key_Escape);
    }
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_FALSE(shell().outputFull());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->result(), 0);
    lockedState(false);

    // Each step repaints only what it pasted, and the run's end reaches the bar.
    PaintRecorder paints(window->outputFrame());
    QSignalSpy steps(&shell(), &PLQShell::updateStep);
    goStop->click();
    const QRect whole = window->outputFrame()->rect();
    EXPECT_TRUE(waitUntil(
        [&] {
            return steps.count() >= 3 &&
                   std::any_of(paints.regions.begin(), paints.regions.end(),
                               [&](const QRegion& r) { return r.boundingRect() != whole; });
        },
        10000));
    ASSERT_TRUE(stopRun(shell()));
    EXPECT_TRUE(child<QPushButton>("undoButton")->isEnabled());
}

// Chunk panel → images panel, output view, input panel and automation panel.
TEST_F(MainWindowTest, ChunkCommandsReachTheOtherPanels) {
    open(256, 256);
    load({"bricks.png"});
    PLQImagesPanel* images = window->imagePanel();
    PLQOutputFrame* output = window->outputFrame();
    PLQInputArea* area = window->inputPanel()->inputArea();
    auto* mix = child<QCheckBox>("multiCheck");
    EXPECT_FALSE(mix->isEnabled());

    // A drawn chunk reaches the output view's preview (half the alpha of the chunk).
    drag(area, {{10, 10}, {49, 29}});
    const QSize drawn = output->previewImage().size();
    EXPECT_EQ(drawn, QSize(int(image()->current().width()), int(image()->current().height())));

    child<QPushButton>("newButton")->click();
    EXPECT_EQ(images->imageItem(1)->childCount(), 2);
    EXPECT_TRUE(mix->isEnabled());
    EXPECT_EQ(output->previewImage().size(), QSize(128, 128));  // the whole image
    const QImage& overlay = area->overlayImage();  // at the view's scale, which may be reduced
    ASSERT_FALSE(overlay.isNull());
    EXPECT_EQ(overlay.pixel(overlay.width() / 2, overlay.height() / 2), 0u);  // the whole image is clear
    EXPECT_TRUE(images->chunkItem(1, 1)->isSelected());

    child<QPushButton>("nextButton")->click();
    EXPECT_EQ(output->previewImage().size(), drawn);
    EXPECT_TRUE(images->chunkItem(1, 0)->isSelected());
    EXPECT_FALSE(images->chunkItem(1, 1)->isSelected());

    // The mixing switch reaches the chunk panel's probability and the chunk rows.
    auto* probSpin = child<PLQSpinBox>("probSpin");
    EXPECT_FALSE(probSpin->acceptsInput());
    mix->click();
    ASSERT_TRUE(probSpin->acceptsInput());
    EXPECT_EQ(images->chunkItem(1, 1)->text(1), "Probability :    50%");
    auto* edit = probSpin->findChild<QLineEdit*>();
    edit->setText(QStringLiteral("20"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(images->chunkItem(1, 0)->text(1), "Probability :    20%");
    EXPECT_EQ(images->chunkItem(1, 1)->text(1), "Probability :    80%");
    mix->click();
    EXPECT_FALSE(probSpin->acceptsInput());
    EXPECT_EQ(images->chunkItem(1, 0)->text(1), "");

    child<QPushButton>("deleteButton")->click();
    EXPECT_EQ(image()->chunkCount(), 1u);
    EXPECT_EQ(images->imageItem(1)->childCount(), 1);
    EXPECT_FALSE(mix->isEnabled());
    EXPECT_EQ(output->previewImage().size(), QSize(128, 128));
}

// Filter panel and images panel → the panels that show the current image.
TEST_F(MainWindowTest, ImageAndFilterChangesReachTheViews) {
    open(256, 256);
    load({"bricks.png", "flagstones.png"});  // 128 x 128, and 160 x 104 after halving
    PLQImagesPanel* images = window->imagePanel();
    PLQInputArea* area = window->inputPanel()->inputArea();
    PLQOutputFrame* output = window->outputFrame();
    auto* filter = child<QCheckBox>("enableFilterCheck");
    EXPECT_EQ(output->previewImage().size(), QSize(160, 104));

    const QImage before = grabImage(area);
    const QImage previewBefore = output->previewImage();
    filter->click();
    EXPECT_NE(grabImage(area), before);
    EXPECT_NE(output->previewImage(), previewBefore);

    auto* deleteButton = child<QPushButton>("deleteButton");
    child<QPushButton>("newButton")->click();
    EXPECT_TRUE(deleteButton->isEnabled());

    // Another image row: every view follows, the filter box shows that image's (off) filter.
    images->listView()->setCurrentItem(images->imageItem(1));
    EXPECT_FALSE(filter->isChecked());
    EXPECT_EQ(area->displaySize().width(), area->displaySize().height());
    EXPECT_EQ(output->previewImage().size(), QSize(128, 128));
    EXPECT_FALSE(deleteButton->isEnabled());
    images->listView()->setCurrentItem(images->imageItem(2));
    EXPECT_TRUE(filter->isChecked());

    // A chunk row of the current image redraws the outlines.
    drag(area, {{10, 10}, {40, 40}});
    const QImage outlines = area->overlayImage();
    images->listView()->setCurrentItem(images->chunkItem(2, 0));
    EXPECT_EQ(image()->currentChunk(), 0u);
    EXPECT_NE(area->overlayImage(), outlines);

    // Without images there is nothing to start.
    for (uint32_t key : {2u, 1u}) {
        images->listView()->setCurrentItem(images->imageItem(key));
        images->removeButton()->click();
    }
    EXPECT_FALSE(child<QPushButton>("goStopButton")->isEnabled());
    EXPECT_TRUE(output->previewImage().isNull());
}

// In a window as the runner opens it for a 512 x 512 picture, the images panel is wide enough
// for a mixed chunk's "Probability : 100%" beside its name, not cut off with an ellipsis, also
// when so many images are loaded that the list scrolls.
TEST_F(MainWindowTest, MixedChunkRowsShowTheirWholeProbability) {
    open(512, 512);
    window->setGeometry(SessionRunner::windowGeometry({512, 512}, {0, 0, 1600, 1000}));
    for (int side = 8; side <= 18; side += 2)
        loadPattern(side);
    child<QCheckBox>("multiCheck")->click();
    QTreeWidget* list = window->imagePanel()->listView();
    ASSERT_TRUE(list->verticalScrollBar()->isVisible());
    const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    const int room = list->header()->sectionSize(1) - margins;
    const QString widest = PLQChunkItem::probabilityText(100.0f);
    EXPECT_EQ(list->fontMetrics().elidedText(widest, Qt::ElideRight, room).toStdString(), widest.toStdString());
    EXPECT_EQ(window->outputFrame()->visibleRegion().boundingRect().size(), QSize(512, 512));
}

// The strip under the title bar is a shaded edge in the palette's light and dark, not an
// outline in the text colour.
TEST_F(MainWindowTest, TopStripIsAShadedEdge) {
    open(64, 64);
    auto* strip = child<QFrame>("spacerFrame2");
    PLQStyle style;
    QPalette palette;
    style.polish(palette);
    strip->setStyle(&style);
    strip->setPalette(palette);
    const QImage shot = grabImage(strip);
    const int middle = shot.width() / 2;
    EXPECT_EQ(shot.pixelColor(middle, 0), rgb(54, 54, 54));
    EXPECT_EQ(shot.pixelColor(middle, shot.height() - 1), rgb(90, 90, 90));
    strip->setStyle(nullptr);  // the style goes before the window
}

TEST_F(MainWindowTest, PageKeysZoomWhateverHasFocus) {
    open(128, 128);
    PLQOutputFrame* output = window->outputFrame();
    window->imagePanel()->listView()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
    EXPECT_EQ(output->zoomLevel(), 1);
    child<PLQSpinBox>("jitterSpin")->findChild<QLineEdit*>()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    EXPECT_EQ(output->zoomLevel(), -1);
}

// After typing a value into a number field and pressing Return, Ctrl+Z still undoes the
// last paste: the field's own text undo does not take the key.
TEST_F(MainWindowTest, CtrlZUndoesWhileANumberFieldHasFocus) {
    open(64, 64);
    loadPattern(16);
    shell().pasteChunkEvent();
    ASSERT_TRUE(waitForRunEnd());
    ASSERT_FALSE(outputIsEmpty());
    QLineEdit* jitter = child<PLQSpinBox>("jitterSpin")->findChild<QLineEdit*>();
    typeInto(jitter, QStringLiteral("20"));
    QTest::keyClick(jitter, Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), jitter);
    QTest::keyClick(jitter, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&] { return outputIsEmpty(); }));  // a shortcut clicks after an animation
}

// The output so far is a clicked paste; the run is held by the view lock until Apply, as in
// the Escape test, so that it cannot finish first.
TEST_F(MainWindowTest, ApplyDuringARunStopsItAndKeepsThePartialOutput) {
    open(512, 512);
    loadPattern(16);
    shell().pasteChunkEvent();
    ASSERT_TRUE(waitForRunEnd());
    const std::vector<uint32_t> pasted = host;
    ASSERT_FALSE(outputIsEmpty());
    {
        const std::lock_guard<std::mutex> paused(shell().viewLock());
        child<QPushButton>("goStopButton")->click();
        ASSERT_TRUE(shell().isRunning());
        child<QPushButton>("applyButton")->click();
    }
    EXPECT_TRUE(window->applied());
    EXPECT_EQ(window->result(), int(QDialog::Accepted));
    EXPECT_FALSE(window->isVisible());
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(host, pasted);
}

TEST_F(MainWindowTest, CancelAndClosingReportNotApplied) {
    open(64, 64);
    child<QPushButton>("cancelButton")->click();
    EXPECT_FALSE(window->applied());
    EXPECT_EQ(window->result(), int(QDialog::Rejected));
    EXPECT_FALSE(window->isVisible());

    open(64, 64);
    child<QPushButton>("applyButton")->click();
    ASSERT_TRUE(window->applied());
    window->show();
    window->close();  // the title bar's button
    EXPECT_FALSE(window->applied());
    EXPECT_FALSE(window->isVisible());
}

TEST(SessionRunner, WindowFitsTheImageWithinTheScreen) {
    struct Case {
        QSize image;
        QRect screen;
        QRect window;
    };
    const std::vector<Case> cases = {
        {{200, 100}, {0, 0, 1920, 1080}, {584, 249, 750, 550}},
        {{1000, 800}, {0, 0, 1920, 1080}, {186, 64, 1546, 920}},
        {{1000, 800}, {0, 0, 1024, 768}, {9, 9, 1004, 718}},
        {{1000, 800}, {1920, 24, 1280, 1000}, {1929, 48, 1260, 920}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SessionRunner::windowGeometry(c.image, c.screen), c.window) << c.image.width();
}

// The runner returns what the window reports and leaves the output in the caller's pixels.
TEST(SessionRunner, ReportsApplyAndCancel) {
    std::vector<uint32_t> pixels(64 * 48, 0u);
    for (const char* button : {"applyButton", "cancelButton"}) {
        QTimer::singleShot(0, [button] {
            auto* window = qobject_cast<PLQMainWindow*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            window->shell().pasteEvent();  // "Paste Input" of an empty host picture
            window->findChild<QPushButton*>(QLatin1String(button))->click();
        });
        EXPECT_EQ(SessionRunner::run(pixels.data(), 64, 48), button == std::string("applyButton"));
    }
    EXPECT_FALSE(SessionRunner::run(pixels.data(), 1, 48));
}

// Load a texture, draw a chunk, fill the output automatically, undo, redo, apply: the host
// receives exactly what the view showed, every pixel opaque.
TEST_F(MainWindowTest, EndToEndFillUndoRedoApply) {
    open(128, 96);
    load({"bricks.png"});
    drag(window->inputPanel()->inputArea(), {{20, 20}, {150, 150}});
    child<QPushButton>("goStopButton")->click();
    ASSERT_TRUE(waitForRunEnd());
    ASSERT_TRUE(shell().outputFull());
    const std::vector<uint32_t> filled = host;
    child<QPushButton>("undoButton")->click();
    EXPECT_TRUE(outputIsEmpty());
    child<QPushButton>("redoButton")->click();
    EXPECT_EQ(host, filled);

    const QImage shown = grabImage(window->outputFrame());
    child<QPushButton>("applyButton")->click();
    ASSERT_TRUE(window->applied());
    window.reset();
    ASSERT_EQ(shown.size(), QSize(128, 96));
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 128; ++x) {
            const uint32_t p = host[size_t(y) * 128 + size_t(x)];
            ASSERT_EQ(p >> 24, 255u) << x << "," << y;
            ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFFu, p & 0xFFFFFFu) << x << "," << y;
        }
}
