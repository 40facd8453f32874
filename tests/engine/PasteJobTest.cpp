#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "engine/Blending.h"
#include "engine/PasteJob.h"
#include "support/GraphTools.h"
#include "support/TextureLoader.h"

namespace {

constexpr uint32_t kBright = 0xFFC8C8C8; // opaque (200, 200, 200)
constexpr uint32_t kBrightOld = 0xFFE6E6E6; // opaque (230, 230, 230)
constexpr uint32_t kDark = 0xFF000000;
constexpr uint32_t kDarkOld = 0xFF1E1E1E;

void fillRect(PixelBuffer& b, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, uint32_t colour) {
    for (uint32_t y = y0; y <= y1; ++y)
        for (uint32_t x = x0; x <= x1; ++x)
            b.at(x, y) = colour;
}

std::vector<uint32_t> pixelsOf(const PixelBuffer& b) { return {b.pixels(), b.pixels() + b.count()}; }

struct Scene {
    PixelBuffer output;
    PixelBuffer chunk;
    SeamStore store;

    Scene(uint32_t W, uint32_t H, uint32_t w, uint32_t h) : output(W, H), chunk(w, h) { store.reset(W, H); }
    BufferView chunkView() { return BufferView(chunk, Box(0, 0, int32_t(chunk.width()) - 1, int32_t(chunk.height()) - 1)); }
    BufferView dest(int32_t x0, int32_t y0) {
        return BufferView(output, Box(x0, y0, x0 + int32_t(chunk.width()) - 1, y0 + int32_t(chunk.height()) - 1));
    }
};

// Old content in output columns 0..15, rows 1..10, with a dark column at output column 8;
// a 16 x 12 chunk at (8, 0) with its own dark column 0. The only cheap place to cut is
// between output columns 8 and 9, where both pictures have an edge anyway.
Scene straightCutScene() {
    Scene s(32, 12, 16, 12);
    fillRect(s.output, 0, 1, 15, 10, kBrightOld);
    fillRect(s.output, 8, 1, 8, 10, kDarkOld);
    fillRect(s.chunk, 0, 0, 15, 11, kBright);
    fillRect(s.chunk, 0, 0, 0, 11, kDark);
    return s;
}

} // namespace

TEST(PasteJob, StraightVerticalCutFeathersEveryRowAndStoresOneSeamPerRow) {
    Scene s = straightCutScene();
    PasteJob job(s.chunkView(), s.dest(8, 0), s.store);
    Box changed;
    ASSERT_EQ(job.run(nullptr, &changed), PasteOutcome::Cut);
    EXPECT_EQ(changed, Box(8, 0, 23, 11));
    const MaskBuffer& mask = job.weightMask();
    for (uint32_t y = 1; y <= 10; ++y) {
        EXPECT_EQ(mask.at(0, y), PasteJob::kOldTransition) << "row " << y;
        EXPECT_EQ(mask.at(1, y), PasteJob::kNewTransition) << "row " << y;
        for (uint32_t x = 2; x < 16; ++x)
            EXPECT_EQ(mask.at(x, y), 255) << x << "," << y;
        ASSERT_EQ(s.store.row(y).size(), 1u) << "row " << y;
        EXPECT_EQ(s.store.row(y)[0].first, y * 32 + 8);
        EXPECT_EQ(s.store.row(y)[0].second, y * 32 + 9);
        EXPECT_GT(s.store.row(y)[0].cost, 0.0);
    }
    EXPECT_EQ(s.store.size(), 10u);
    // The flow is the cost of those ten cut pairs.
    double stored = 0.0;
    for (uint32_t y = 1; y <= 10; ++y)
        stored += s.store.row(y)[0].cost;
    EXPECT_NEAR(job.flow(), stored, 1e-12);
    EXPECT_EQ(s.output.at(8, 5), blendMasked(kDarkOld, kDark, 85));
    EXPECT_EQ(s.output.at(9, 5), blendMasked(kBrightOld, kBright, 170));
    EXPECT_EQ(s.output.at(12, 5), kBright);
    EXPECT_EQ(s.output.at(7, 5), kBrightOld);
}

TEST(PasteJob, CutCostFromTheLabelsEqualsTheFlowAndBoostAgrees) {
    Scene s = straightCutScene();
    PasteJob job(s.chunkView(), s.dest(8, 0), s.store);
    job.build(nullptr);
    ASSERT_EQ(job.decide(), PasteOutcome::Cut);
    auto copy = copySeamGraph(job.graph());
    job.solve();
    EXPECT_NEAR(boostMaxFlow(*copy), job.flow(), 1e-12);
}

namespace {

// A chunk whose only overlap is one row of `length` pixels, with empty output above and below.
PasteOutcome pasteOverSingleRow(uint32_t length, std::vector<uint32_t>* before = nullptr, Scene** keep = nullptr) {
    static std::unique_ptr<Scene> scene;
    scene = std::make_unique<Scene>(200, 10, length, 3);
    Scene& s = *scene;
    std::mt19937 rng(length);
    for (uint32_t x = 0; x < 200; ++x)
        s.output.at(x, 5) = 0xFF000000u | (rng() & 0xFFFFFF);
    for (uint32_t i = 0; i < s.chunk.count(); ++i)
        s.chunk.pixels()[i] = 0xFF000000u | (rng() & 0xFFFFFF);
    if (before)
        *before = pixelsOf(s.output);
    if (keep)
        *keep = &s;
    PasteJob job(s.chunkView(), s.dest(10, 4), s.store);
    job.build(nullptr);
    EXPECT_EQ(job.horizontalEdgeCount(), length - 1);
    EXPECT_EQ(job.verticalEdgeCount(), 0u);
    return job.run(nullptr);
}

} // namespace

TEST(PasteJob, LongSingleRowOverlapIsRefusedAndShortOneIsSolved) {
    std::vector<uint32_t> before;
    Scene* s = nullptr;
    EXPECT_EQ(pasteOverSingleRow(120, &before, &s), PasteOutcome::Refused);
    EXPECT_EQ(pixelsOf(s->output), before);
    EXPECT_EQ(s->store.size(), 0u);
    EXPECT_EQ(pasteOverSingleRow(100), PasteOutcome::Cut);
}

TEST(PasteJob, ChunkOverEmptyOutputIsPastedWhole) {
    Scene s(16, 16, 6, 5);
    fillRect(s.chunk, 0, 0, 5, 4, kBright);
    s.chunk.at(2, 2) = 0; // a transparent hole stays empty
    PasteJob job(s.chunkView(), s.dest(3, 4), s.store);
    Box changed;
    EXPECT_EQ(job.run(nullptr, &changed), PasteOutcome::Whole);
    EXPECT_EQ(changed, Box(3, 4, 8, 8));
    EXPECT_EQ(s.output.at(3, 4), kBright);
    EXPECT_EQ(s.output.at(5, 6), 0u);
}

TEST(PasteJob, FootprintInsideOpaqueContentPastesNothingUnlessForcedOrCrossingASeam) {
    Scene s(24, 24, 8, 8);
    std::mt19937 rng(3);
    for (uint32_t i = 0; i < s.output.count(); ++i)
        s.output.pixels()[i] = 0xFF000000u | (rng() & 0xFFFFFF);
    for (uint32_t i = 0; i < s.chunk.count(); ++i)
        s.chunk.pixels()[i] = 0xFF000000u | (rng() & 0xFFFFFF);
    const std::vector<uint32_t> before = pixelsOf(s.output);
    {
        PasteJob job(s.chunkView(), s.dest(5, 5), s.store);
        Box changed(1, 1, 1, 1);
        EXPECT_EQ(job.run(nullptr, &changed), PasteOutcome::Nothing);
        EXPECT_TRUE(changed.isEmpty());
        EXPECT_EQ(pixelsOf(s.output), before);
    }
    {
        // An inner-limit pixel takes the chunk even over opaque old content.
        PixelBuffer limit(8, 8);
        limit.at(4, 4) = 0xFFFF0000u;
        PasteJob job(s.chunkView(), s.dest(5, 5), s.store);
        job.build(&limit);
        EXPECT_EQ(job.weightMask().at(4, 4), 255);
        EXPECT_EQ(job.decide(), PasteOutcome::Cut);
    }
    {
        // An old seam inside the footprint ties the graph to the source through a seam node.
        s.store.addSeam(9, 9, 10, 9, 0.05);
        PasteJob job(s.chunkView(), s.dest(5, 5), s.store);
        job.build(nullptr);
        ASSERT_EQ(job.seamNodes().size(), 1u);
        EXPECT_EQ(job.seamNodes()[0].record.first, 9u * 24 + 9);
        EXPECT_EQ(job.decide(), PasteOutcome::Cut);
        job.solve();
        ASSERT_FALSE(job.aborted());
        const SeamRecord* left = s.store.find(9 * 24 + 9, 9 * 24 + 10);
        if (job.seamNodes()[0].cut) {
            ASSERT_NE(left, nullptr);
            EXPECT_NE(left->cost, 0.05); // re-costed with the new pair's cost
        } else {
            EXPECT_EQ(left, nullptr); // covered by the new chunk
        }
        EXPECT_LE(job.flow(), 0.05 + 1e-12);
    }
}

TEST(PasteJob, CrossedSeamIsRecostedWhenTheNewCutRunsThroughIt) {
    Scene s = straightCutScene();
    {
        PasteJob first(s.chunkView(), s.dest(8, 0), s.store);
        ASSERT_EQ(first.run(nullptr), PasteOutcome::Cut);
    }
    const SeamSnapshot seamsBefore = s.store.snapshot();
    // The same chunk one column further left: its edge now lies on the old seam's left pixel,
    // so the cut runs along the old seam again.
    PasteJob again(s.chunkView(), s.dest(7, 0), s.store);
    again.build(nullptr);
    EXPECT_EQ(again.seamNodes().size(), 10u);
    ASSERT_EQ(again.decide(), PasteOutcome::Cut);
    again.solve();
    size_t removed = 0;
    for (const SeamNodeRecord& node : again.seamNodes()) {
        const SeamRecord* r = s.store.find(node.record.first, node.record.second);
        if (node.cut) {
            ASSERT_NE(r, nullptr);
        } else {
            EXPECT_EQ(r, nullptr);
            ++removed;
        }
    }
    // Every cut pair of two pixels became a new seam; nothing else changed the store's size.
    const uint32_t pixelCount = 16 * 12;
    size_t pixelPairs = 0;
    for (uint32_t u = 2; u < again.cutPairs().vertexCount(); ++u) {
        const uint32_t v = again.cutPairs().partner(u);
        if (v != CutPairs::kNone && again.graph()[u].pixel < pixelCount && again.graph()[v].pixel < pixelCount)
            ++pixelPairs;
    }
    EXPECT_EQ(s.store.size(), seamsBefore.rowRecords.size() + seamsBefore.columnRecords.size() - removed + pixelPairs);
}

TEST(PasteJob, FootprintAcrossTheRightEdgeReadsAndWritesWrappedPixels) {
    // Old content in output columns 13..15 and 0, rows 6..9, dark at column 0; a 7 x 6 chunk at
    // (10, 5) whose last column lands on output column 0 and is dark too.
    Scene s(16, 16, 7, 6);
    fillRect(s.output, 13, 6, 15, 9, kBrightOld);
    fillRect(s.output, 0, 6, 0, 9, kDarkOld);
    fillRect(s.chunk, 0, 0, 6, 5, kBright);
    fillRect(s.chunk, 6, 0, 6, 5, kDark);
    PasteJob job(s.chunkView(), s.dest(10, 5), s.store);
    Box changed;
    ASSERT_EQ(job.run(nullptr, &changed), PasteOutcome::Cut);
    EXPECT_EQ(changed, Box(10, 5, 16, 10));
    const MaskBuffer& mask = job.weightMask();
    for (uint32_t y = 1; y <= 4; ++y) {
        EXPECT_EQ(mask.at(2, y), 255); // over empty output column 12
        EXPECT_EQ(mask.at(5, y), PasteJob::kNewTransition);
        EXPECT_EQ(mask.at(6, y), PasteJob::kOldTransition);
        // The seam across the wrap starts in the last column.
        const SeamRecord* r = s.store.findInRow(5 + y, (5 + y) * 16 + 15);
        ASSERT_NE(r, nullptr) << "row " << y;
        EXPECT_EQ(r->second, (5 + y) * 16 + 0);
    }
    EXPECT_EQ(s.output.at(0, 7), blendMasked(kDarkOld, kDark, 85));
    EXPECT_EQ(s.output.at(12, 7), kBright);
    EXPECT_EQ(s.output.at(1, 7), 0u);
}

TEST(PasteJob, StopDuringScanOrSolveLeavesOutputAndSeamsUntouched) {
    Scene s = straightCutScene();
    s.store.addSeam(8, 3, 8, 4, 0.7); // something for the job to read
    const std::vector<uint32_t> before = pixelsOf(s.output);
    const SeamSnapshot seams = s.store.snapshot();
    {
        PasteJob job(s.chunkView(), s.dest(8, 0), s.store);
        job.requestAbort();
        Box changed(1, 1, 1, 1);
        EXPECT_EQ(job.run(nullptr, &changed), PasteOutcome::Aborted);
        EXPECT_TRUE(job.aborted());
        EXPECT_TRUE(changed.isEmpty());
    }
    {
        PasteJob job(s.chunkView(), s.dest(8, 0), s.store);
        job.build(nullptr);
        ASSERT_EQ(job.decide(), PasteOutcome::Cut);
        job.requestAbort();
        job.solve();
        EXPECT_TRUE(job.aborted());
    }
    EXPECT_EQ(pixelsOf(s.output), before);
    EXPECT_EQ(s.store.snapshot(), seams);
}

TEST(PasteJob, StopFromAnotherThreadDuringALargePasteLeavesOutputBitIdentical) {
    PixelBuffer texture = loadTexture("gravel.png");
    const uint32_t W = texture.width(), H = texture.height();
    PixelBuffer output = texture;
    SeamStore store;
    store.reset(W, H);
    // Leave a band uncovered so that the chunk is tied to both terminals.
    fillRect(output, 0, 0, W - 1, 7, 0);
    const std::vector<uint32_t> before = pixelsOf(output);
    PixelBuffer chunk(W - 37, H - 23);
    for (uint32_t y = 0; y < chunk.height(); ++y)
        for (uint32_t x = 0; x < chunk.width(); ++x)
            chunk.at(x, y) = texture.at(x + 37, y + 23);
    PasteJob job(BufferView(chunk, Box(0, 0, int32_t(chunk.width()) - 1, int32_t(chunk.height()) - 1)),
                 BufferView(output, Box(0, 0, int32_t(chunk.width()) - 1, int32_t(chunk.height()) - 1)), store);
    std::thread stopper([&job] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        job.requestAbort();
    });
    const PasteOutcome outcome = job.run(nullptr);
    stopper.join();
    if (outcome == PasteOutcome::Aborted) {
        EXPECT_EQ(pixelsOf(output), before);
        EXPECT_EQ(store.size(), 0u);
    } else {
        // Finished before the request arrived: then it must have been a real paste.
        EXPECT_EQ(outcome, PasteOutcome::Cut);
    }
}

TEST(PasteJob, DestinationOutsideOrChunkLargerThanOutputDoesNothing) {
    Scene s(8, 8, 4, 4);
    fillRect(s.chunk, 0, 0, 3, 3, kBright);
    for (Box dest : {Box(8, 0, 11, 3), Box(0, 8, 3, 11), Box(-1, 0, 2, 3), Box(0, -5, 3, -2)}) {
        PasteJob job(s.chunkView(), BufferView(s.output, dest), s.store);
        Box changed(1, 1, 1, 1);
        EXPECT_FALSE(job.isValid());
        EXPECT_EQ(job.run(nullptr, &changed), PasteOutcome::Invalid);
        EXPECT_TRUE(changed.isEmpty());
    }
    PixelBuffer big(9, 2);
    fillRect(big, 0, 0, 8, 1, kBright);
    PasteJob tooWide(BufferView(big, Box(0, 0, 8, 1)), BufferView(s.output, Box(0, 0, 8, 1)), s.store);
    EXPECT_EQ(tooWide.run(nullptr), PasteOutcome::Invalid);
    PasteJob outsideChunk(BufferView(s.chunk, Box(2, 2, 5, 5)), BufferView(s.output, Box(0, 0, 3, 3)), s.store);
    EXPECT_EQ(outsideChunk.run(nullptr), PasteOutcome::Invalid);
    SeamStore wrongStore;
    wrongStore.reset(4, 4);
    PasteJob mismatched(s.chunkView(), s.dest(0, 0), wrongStore);
    EXPECT_EQ(mismatched.run(nullptr), PasteOutcome::Invalid);
    EXPECT_EQ(pixelsOf(s.output), std::vector<uint32_t>(64, 0u));
}

TEST(PasteJob, EdgesComeFromTheWorkspacePoolAndGoBackWithTheJob) {
    Scene s = straightCutScene();
    PasteWorkspace workspace;
    for (int round = 0; round < 2; ++round) {
        SeamStore store;
        store.reset(32, 12);
        {
            PasteJob job(s.chunkView(), s.dest(8, 0), store, &workspace);
            job.build(nullptr);
            // Every edge's properties and every vertex's out-edge list.
            const size_t live = workspace.edgePool.liveBlocks();
            EXPECT_GE(live, boost::num_edges(job.graph()));
            EXPECT_LE(live, boost::num_edges(job.graph()) + boost::num_vertices(job.graph()));
            // A copy made outside the pool's scope lives on the heap and frees there.
            auto copy = copySeamGraph(job.graph());
            EXPECT_EQ(workspace.edgePool.liveBlocks(), live);
            job.solve();
        }
        EXPECT_EQ(workspace.edgePool.liveBlocks(), 0u);
    }
    // The second paste reused the first one's slabs.
    EXPECT_EQ(workspace.edgePool.reservedBytes(), EdgePool::kSlabBytes);
}
