#include <gtest/gtest.h>

#include "SessionTestSupport.h"
#include "session/MOSMain.h"
#include "support/AllocationFailure.h"
#include "support/TextureLoader.h"

namespace {

// A session over a 128 x 128 host image, pasting 48 x 48 pieces of another texture.
class MOSMainHistory : public ::testing::Test {
protected:
    void SetUp() override {
        hostImage = loadTexture("mottle.png");
        ASSERT_EQ(hostImage.width(), 128u);
        host = pixelsOf(hostImage);
        session = std::make_unique<MOSMain>(128, 128, host.data());
        chunk = crop(loadTexture("gravel.png"), 10, 10, 48, 48);
        session->synthesizer().setChunk(&chunk);
    }

    // One automatic step (Random placement, no jitter) recorded in the history.
    void stepAndRecord() {
        session->synthesizer().step();
        ASSERT_TRUE(session->pushHistory());
    }

    struct State {
        std::vector<uint32_t> pixels;
        uint32_t counter;
        SeamSnapshot seams;
        bool operator==(const State&) const = default;
    };
    State state() const {
        return {pixelsOf(session->output()), session->synthesizer().placementCounter(),
                session->synthesizer().seamStore().snapshot()};
    }

    PixelBuffer hostImage;
    std::vector<uint32_t> host;
    std::unique_ptr<MOSMain> session;
    PixelBuffer chunk;
};

}  // namespace

// The session starts empty over the host's memory, and undo goes back to that empty output,
// not to the host image. A new operation after undoing drops the steps that could have been
// redone.
TEST_F(MOSMainHistory, UndoAndRedoRestorePixelsPlacementCounterAndSeamsUntilANewOperation) {
    EXPECT_EQ(session->output().pixels(), host.data());
    EXPECT_EQ(pixelsOf(session->originalImage()), pixelsOf(hostImage));
    EXPECT_FALSE(session->undo());
    EXPECT_FALSE(session->redo());
    const State empty = state();
    ASSERT_TRUE(isAllZero(session->output()));
    stepAndRecord();
    const State first = state();
    stepAndRecord();
    const State second = state();
    ASSERT_GT(second.seams.rowRecords.size() + second.seams.columnRecords.size(), 0u) << "no cut happened";
    ASSERT_NE(first.counter, second.counter);

    ASSERT_TRUE(session->undo());
    EXPECT_EQ(state(), first);
    ASSERT_TRUE(session->redo());
    EXPECT_EQ(state(), second);
    EXPECT_FALSE(session->redo());

    stepAndRecord();
    ASSERT_TRUE(session->undo());
    ASSERT_TRUE(session->undo());
    session->synthesizer().step();
    ASSERT_TRUE(session->pushHistory());
    EXPECT_EQ(session->historySize(), 3u);
    EXPECT_EQ(session->undoDepth(), 0u);
    EXPECT_FALSE(session->redo());
    ASSERT_TRUE(session->undo());
    EXPECT_EQ(state(), first);
    ASSERT_TRUE(session->undo());
    EXPECT_EQ(state(), empty);
    EXPECT_FALSE(session->undo());
}

TEST_F(MOSMainHistory, PasteInputAndClearAreUndoableAndResetTheSynthesizer) {
    stepAndRecord();
    ASSERT_TRUE(session->pasteOriginal());
    EXPECT_EQ(pixelsOf(session->output()), pixelsOf(hostImage));
    EXPECT_TRUE(session->outputFull());
    EXPECT_EQ(session->synthesizer().placementCounter(), 0u);

    session->clearOutput();
    EXPECT_TRUE(isAllZero(session->output()));
    ASSERT_TRUE(session->undo());
    EXPECT_EQ(pixelsOf(session->output()), pixelsOf(hostImage));
}

TEST_F(MOSMainHistory, AnEntryOfAnotherSizeIsRefusedAndChangesNothing) {
    stepAndRecord();
    const State before = state();
    MOSMain other(64, 64);
    other.output().at(3, 3) = 0xFF123456;
    auto foreign = HistoryEntry::capture(other.output(), other.synthesizer().saveState());
    ASSERT_NE(foreign, nullptr);

    EXPECT_FALSE(session->restoreHistory(*foreign));
    EXPECT_EQ(state(), before);
    EXPECT_TRUE(foreign->writePixelsTo(other.output()));
}

// A history entry keeps the seams compressed (the costs, 8 of a record's 16 bytes, hardly
// compress), and they come back exactly.
TEST_F(MOSMainHistory, SeamsAreKeptCompressedAndComeBackExactly) {
    while (!session->synthesizer().isComplete())
        session->synthesizer().step();
    const std::unique_ptr<SynthesizerState> saved = session->synthesizer().saveState();
    const size_t records = saved->seams.rowRecords.size() + saved->seams.columnRecords.size();
    ASSERT_GT(records, 500u);
    const auto entry = HistoryEntry::capture(session->output(), session->synthesizer().saveState());
    ASSERT_NE(entry, nullptr);

    EXPECT_LT(size_t(entry->seams().size()), records * 9);
    const std::unique_ptr<SynthesizerState> back = entry->snapshot();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->seams, saved->seams);
    EXPECT_EQ(back->placementCounter, saved->placementCounter);
}

// Without memory for a new entry the output goes back to the entry shown, so that undo and
// redo still know what is seen; the history is as it was.
TEST_F(MOSMainHistory, ARunThatCannotBeRecordedIsPutBack) {
    stepAndRecord();
    const State recorded = state();
    while (!session->synthesizer().isComplete())
        session->synthesizer().step();
    ASSERT_GT(session->synthesizer().seamStore().size(), 2500u);
    {
        AllocationFailure failure(16 * 1024); // the seam records alone need more
        EXPECT_FALSE(session->recordOrRevert());
        EXPECT_GT(failure.refused(), 0u);
    }
    EXPECT_EQ(state(), recorded);
    EXPECT_EQ(session->historySize(), 2u);
    EXPECT_FALSE(session->outputFull());
    ASSERT_TRUE(session->undo());
    EXPECT_TRUE(isAllZero(session->output()));
}
