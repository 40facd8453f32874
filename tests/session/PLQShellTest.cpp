#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include <QObject>
#include <QStringList>
#include <QThread>

#include "SessionTestSupport.h"
#include "session/PLQShell.h"
#include "support/AllocationFailure.h"
#include "support/TextureLoader.h"

namespace {

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlue = 0xFF0000FFu;

// A shell over host pixels owned by the test, with what it signalled.
class ShellRun : public ::testing::Test {
protected:
    void open(const PixelBuffer& hostImage) {
        host = pixelsOf(hostImage);
        shell = std::make_unique<PLQShell>(hostImage.width(), hostImage.height(), host.data());
        shell->setWarningReporter(&warnings);
        PLQShell* s = shell.get();
        QObject::connect(s, &PLQShell::updateStep, s, [this](const Box&) { ++steps; });
        QObject::connect(s, &PLQShell::updateTerminated, s, [this](const Box& box) { endBoxes.push_back(box); });
        QObject::connect(s, &PLQShell::lockInterface, s, [this](bool locked) { locks.push_back(locked); });
    }
    // A large output that a small chunk takes long to fill.
    void openLarge() {
        open(loadTexture("gravel.png"));
        addImage(crop(loadTexture("flagstones.png"), 0, 0, 16, 16));
    }

    uint32_t addImage(const PixelBuffer& pixels) {
        const uint32_t key = shell->images().addImage(pixels);
        shell->images().setCurrent(key);
        shell->images().normaliseProbabilities(-1.0f);
        return key;
    }

    size_t runsEnded() const { return size_t(std::count(locks.begin(), locks.end(), false)); }
    bool waitForRunEnds(size_t count) {
        return waitUntil([&] { return runsEnded() >= count; }) && !shell->isRunning();
    }

    CollectedWarnings warnings; // outlives the shell that tells it
    std::vector<uint32_t> host;
    std::unique_ptr<PLQShell> shell;
    int steps = 0;
    std::vector<Box> endBoxes;
    std::vector<bool> locks;
};

}  // namespace

TEST_F(ShellRun, ASinglePasteReportsOnlyItsEndAndRecordsOneEntry) {
    open(loadTexture("mottle.png"));
    const PixelBuffer chunk = crop(loadTexture("flagstones.png"), 0, 0, 40, 30);
    addImage(chunk);
    shell->placement().pasteX = 10;
    shell->placement().pasteY = 20;
    QObject receiver;  // the end box must also survive a queued connection across the event loop
    std::vector<Box> queued;
    QObject::connect(shell.get(), &PLQShell::updateTerminated, &receiver,
                     [&](const Box& box) { queued.push_back(box); }, Qt::QueuedConnection);

    shell->pasteChunkEvent();
    EXPECT_TRUE(shell->isRunning());
    ASSERT_TRUE(waitForRunEnds(1));
    ASSERT_TRUE(waitUntil([&] { return !queued.empty(); }));

    EXPECT_EQ(steps, 0);
    EXPECT_EQ(locks, (std::vector<bool>{true, false}));
    EXPECT_EQ(endBoxes, (std::vector<Box>{Box(10, 20, 49, 49)}));
    EXPECT_EQ(queued, endBoxes);
    EXPECT_EQ(shell->historySize(), 2u);
    EXPECT_EQ(shell->output().at(10, 20), chunk.at(0, 0));
    EXPECT_EQ(shell->placement().method, PlacementMethod::Random);
}

TEST_F(ShellRun, RunsWithNothingToPasteOrNothingToCoverEndAtOnce) {
    open(loadTexture("mottle.png"));
    shell->placement().mixChunks = true;
    shell->goStopEvent();  // no input image at all
    ASSERT_TRUE(waitForRunEnds(1));

    const uint32_t key = addImage(crop(loadTexture("flagstones.png"), 0, 0, 32, 32));
    shell->images().find(key)->current().empty = true;
    shell->goStopEvent();  // an empty chunk can never paste anything
    ASSERT_TRUE(waitForRunEnds(2));

    shell->images().find(key)->current().empty = false;
    shell->placement().mixChunks = false;
    addImage(loadTexture("gravel.png"));  // larger than the output: cannot be pasted
    shell->goStopEvent();
    ASSERT_TRUE(waitForRunEnds(3));

    EXPECT_EQ(locks, (std::vector<bool>{true, false, true, false, true, false}));
    EXPECT_EQ(shell->historySize(), 1u);
    EXPECT_TRUE(isAllZero(shell->output()));

    shell->images().removeImage(shell->images().currentKey());
    shell->pasteEvent();  // a full output leaves nothing to cover, not even to the grid
    shell->placement().method = PlacementMethod::SemiRegular;
    shell->goStopEvent();
    ASSERT_TRUE(waitForRunEnds(4));
    EXPECT_EQ(steps, 0);
    EXPECT_EQ(shell->historySize(), 2u);
}

TEST_F(ShellRun, CommandsThatChangeTheModelAreIgnoredDuringARunAndAStopKeepsItsPartAsOneEntry) {
    openLarge();
    shell->pasteChunkEvent();
    ASSERT_TRUE(waitForRunEnds(1));
    const std::vector<uint32_t> beforeRun = pixelsOf(shell->output());
    const size_t endsBefore = endBoxes.size();
    shell->goStopEvent();
    ASSERT_TRUE(waitUntil([&] { return steps >= 2; }));

    shell->undoEvent();
    shell->redoEvent();
    shell->clearEvent();
    shell->pasteEvent();
    shell->pasteChunkEvent();
    const int stepsBefore = steps;
    ASSERT_TRUE(waitUntil([&] { return steps > stepsBefore + 2; }));
    EXPECT_TRUE(shell->isRunning()) << "the run must go on as an automatic process";
    EXPECT_FALSE(shell->singlePaste());
    EXPECT_EQ(endBoxes.size(), endsBefore);

    shell->goStopEvent();
    ASSERT_TRUE(waitForRunEnds(2));
    EXPECT_EQ(shell->historySize(), 3u);
    EXPECT_FALSE(shell->outputFull());
    EXPECT_NE(pixelsOf(shell->output()), pixelsOf(shell->originalImage()));
    EXPECT_NE(pixelsOf(shell->output()), beforeRun);
    shell->undoEvent();
    EXPECT_EQ(pixelsOf(shell->output()), beforeRun);
}

TEST_F(ShellRun, AStopDuringASinglePasteLeavesTheOutputAndHistoryUntouched) {
    // A host image with a hole, so that a large chunk over it needs a long cut.
    PixelBuffer holed = loadTexture("gravel.png");
    for (uint32_t y = 150; y < 350; ++y)
        for (uint32_t x = 150; x < 350; ++x)
            holed.at(x, y) = 0;
    open(holed);
    addImage(loadTexture("weave.png"));
    shell->pasteEvent();
    const std::vector<uint32_t> before = pixelsOf(shell->output());
    shell->placement().pasteX = 80;
    shell->placement().pasteY = 80;

    shell->pasteChunkEvent();
    QThread::msleep(20);  // the whole paste takes hundreds of milliseconds
    shell->cancelEvent();
    ASSERT_TRUE(waitForRunEnds(1));

    EXPECT_TRUE(shell->synthesizer().aborted());
    EXPECT_EQ(shell->historySize(), 2u);
    EXPECT_EQ(pixelsOf(shell->output()), before);
    EXPECT_TRUE(endBoxes.back().isEmpty());
}

TEST_F(ShellRun, AStopIsClearedWhenTheNextRunStarts) {
    open(PixelBuffer(96, 96));
    addImage(crop(loadTexture("flagstones.png"), 0, 0, 32, 32));
    shell->goStopEvent();
    shell->goStopEvent();  // stops the run just started
    ASSERT_TRUE(waitForRunEnds(1));
    ASSERT_FALSE(shell->outputFull());

    shell->goStopEvent();
    ASSERT_TRUE(waitForRunEnds(2));
    EXPECT_TRUE(shell->outputFull());
}

TEST_F(ShellRun, RunsStartedFromTheEndSignalRun) {
    open(loadTexture("mottle.png"));
    addImage(crop(loadTexture("flagstones.png"), 0, 0, 32, 32));
    constexpr size_t kRuns = 40;  // the worker may still be finishing when its end arrives
    QObject::connect(shell.get(), &PLQShell::updateTerminated, shell.get(), [this] {
        if (endBoxes.size() >= kRuns)
            return;
        shell->placement().pasteX += 3;  // beside the last paste, so that it changes the output
        shell->pasteChunkEvent();
    });

    shell->pasteChunkEvent();
    ASSERT_TRUE(waitForRunEnds(kRuns));
    EXPECT_EQ(shell->historySize(), kRuns + 1);
}

TEST_F(ShellRun, AMixedRunPutsBackTheCurrentImageAndChunk) {
    open(PixelBuffer(64, 64));
    const uint32_t red = addImage(filledPicture(24, 24, kRed));
    shell->images().find(red)->addChunk();
    addImage(filledPicture(20, 20, kBlue));
    for (const auto& [key, image] : shell->images().images())
        for (size_t i = 0; i < image->chunkCount(); ++i)
            image->chunk(i)->probability = key == red ? 0.0f : 1.0f;
    shell->images().setCurrent(red);
    shell->images().find(red)->setCurrentChunk(1);
    shell->placement().mixChunks = true;

    shell->goStopEvent();
    ASSERT_TRUE(waitForRunEnds(1));
    ASSERT_TRUE(shell->outputFull());
    EXPECT_TRUE(std::count(host.begin(), host.end(), kBlue) > 0);
    EXPECT_EQ(shell->images().currentKey(), red);
    EXPECT_EQ(shell->images().currentImage()->currentChunk(), 1u);

    // The next run without mixing pastes the current chunk, not the last one drawn.
    shell->placement().mixChunks = false;
    shell->clearEvent();
    shell->goStopEvent();
    ASSERT_TRUE(waitForRunEnds(2));
    EXPECT_EQ(std::count(host.begin(), host.end(), kRed), ptrdiff_t(host.size()));
}

TEST_F(ShellRun, DestroyingTheShellDuringARunWaitsForTheWorker) {
    openLarge();
    shell->goStopEvent();
    ASSERT_TRUE(waitUntil([&] { return steps >= 2; }));
    shell.reset();

    const std::vector<uint32_t> afterwards = host;
    QThread::msleep(50);
    QCoreApplication::processEvents();
    EXPECT_EQ(host, afterwards) << "the worker still wrote after the shell was gone";
}

// A run that cannot go on (a chunk without an opaque pixel, memory running out on the worker,
// a paste above the memory limit) ends by itself as after a stop, keeps what it pasted as one
// entry and says why; memory running out ends the run, not the process, and the next run works.
TEST_F(ShellRun, ARunThatCannotGoOnEndsAsAfterAStopAndSaysWhy) {
    const struct {
        const char* name;
        uint32_t outputSide, chunkSide, chunkAlpha;
        size_t failFrom;  // requests refused from this many bytes on, 0 for none
        uint64_t memoryLimit;
        const char* reason;
        const char* ending;  // the end of a reason with a figure between, else null
        size_t history;
    } cases[] = {
        {"clear chunk", 96, 24, 0, 0, 0,
         "the chunks have no pixel opaque enough to cover the rest of the output.", nullptr, 1},
        {"half-transparent chunk", 96, 24, 128, 0, 0, "the chunks ", " of the output.", 2},
        // The pre-filter's copy of the 200 x 200 image needs 160 000 bytes.
        {"memory out", 96, 200, 255, 100 * 1024, 0, "there is not enough memory for the chunk or its paste.",
         nullptr, 1},
        {"memory limit", 256, 200, 255, 0, uint64_t(8) << 20, "a paste of this chunk would need about ",
         " MB of memory, more than the 8 MB it may use. Use smaller chunks.", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        warnings.texts.clear();
        locks.clear();
        open(PixelBuffer(c.outputSide, c.outputSide));
        const uint32_t key = addImage(noisePicture(c.chunkSide, c.chunkSide, c.chunkAlpha));
        if (c.failFrom != 0) {
            shell->images().find(key)->setFilterRadius(4);
            shell->images().find(key)->current().bounds = Box(10, 10, 41, 41);
        }
        shell->setMemoryLimit(c.memoryLimit);
        {
            std::optional<AllocationFailure> failure;
            if (c.failFrom != 0)
                failure.emplace(c.failFrom);
            shell->goStopEvent();
            ASSERT_TRUE(waitForRunEnds(1));
        }

        EXPECT_EQ(locks, (std::vector<bool>{true, false}));
        EXPECT_FALSE(shell->outputFull());
        ASSERT_EQ(warnings.texts.size(), 1);
        const QString text = warnings.texts[0];
        const QString start = "The process stopped before the output was covered: " + QString(c.reason);
        if (c.ending == nullptr)
            EXPECT_EQ(text.toStdString(), start.toStdString());
        else
            EXPECT_TRUE(text.startsWith(start) && text.endsWith(c.ending)) << text.toStdString();
        EXPECT_EQ(shell->historySize(), c.history);
        EXPECT_EQ(isAllZero(shell->output()), c.history == 1);
        if (c.failFrom != 0) {
            shell->goStopEvent();
            ASSERT_TRUE(waitForRunEnds(2));
            EXPECT_TRUE(shell->outputFull());
            EXPECT_EQ(warnings.texts.size(), 1);
        }
    }
}
