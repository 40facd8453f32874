#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "engine/Blending.h"
#include "engine/CostFunctions.h"
#include "engine/PasteJob.h"
#include "support/AllocationFailure.h"
#include "support/GraphTools.h"
#include "support/Pictures.h"
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

struct Scene {
    PixelBuffer output;
    PixelBuffer chunk;
    SeamStore store;

    Scene(uint32_t W, uint32_t H, uint32_t w, uint32_t h) : output(W, H), chunk(w, h) { store.reset(W, H); }
    BufferView chunkView() { return BufferView(chunk, Box(0, 0, int32_t(chunk.width()) - 1, int32_t(chunk.height()) - 1)); }
    BufferView dest(int32_t x0, int32_t y0) {
        return BufferView(output, Box(x0, y0, x0 + int32_t(chunk.width()) - 1, y0 + int32_t(chunk.height()) - 1));
    }
    // Cost of the pair of chunk pixels (x1, y1) and (x2, y2) pasted with the chunk's origin at
    // the output's.
    double pairCost(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2) const {
        return seamCost(chunk.at(x1, y1), output.at(x1, y1), chunk.at(x2, y2), output.at(x2, y2));
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

// What build() made of each chunk pixel: '.' keeps the output and 'n' takes the chunk (no
// vertex); an overlap pixel is 'T' when tied to the sink, 'S' when tied to the source and 'o'
// when tied to neither.
std::vector<std::string> buildMap(const PasteJob& job) {
    const MaskBuffer& mask = job.weightMask();
    const uint32_t w = mask.width();
    std::vector<std::string> rows(mask.height(), std::string(w, '?'));
    for (uint32_t i = 0; i < mask.count(); ++i)
        rows[i / w][i % w] = mask[i] == PasteJob::kOld ? '.' : mask[i] == PasteJob::kNew ? 'n' : 'o';
    const SeamGraph& g = job.graph();
    for (uint32_t v = 2; v < boost::num_vertices(g); ++v) {
        const uint32_t pixel = g[v].pixel;
        auto [it, end] = boost::out_edges(v, g);
        for (; it != end && pixel < mask.count(); ++it)
            if (boost::target(*it, g) <= kSinkVertex)
                rows[pixel / w][pixel % w] = boost::target(*it, g) == kSinkVertex ? 'T' : 'S';
    }
    return rows;
}

} // namespace

// One footprint with every class: the output is empty at (3, 2) and half covered at (1, 3)
// and (2, 4), where the chunk pixel is opaque, respectively of alpha 200; the chunk is
// transparent at (4, 4); the inner limit forces (5, 2) but not (2, 1) (red without alpha) nor
// (4, 1) (alpha without red).
TEST(PasteJob, PixelClassesAndTerminalLinks) {
    Scene s(8, 8, 7, 6);
    fillRect(s.output, 0, 0, 7, 7, kBrightOld);
    fillRect(s.chunk, 0, 0, 6, 5, kBright);
    s.output.at(3, 2) = 0;
    s.output.at(1, 3) = 0x80E6E6E6u;
    s.output.at(2, 4) = 0x80E6E6E6u;
    s.chunk.at(2, 4) = 0xC8C8C8C8u;
    s.chunk.at(4, 4) = 0;
    PixelBuffer limit(7, 6);
    limit.at(5, 2) = 0xFFFF0000u;
    limit.at(2, 1) = 0x00FF0000u;
    limit.at(4, 1) = 0xFF00FF00u;
    PasteJob job(s.chunkView(), s.dest(0, 0), s.store);
    job.build(&limit);
    // Border and beside the transparent pixel: sink. Beside a pixel that takes the chunk, in
    // any of the four directions: source.
    const std::vector<std::string> expected{
        "TTTTTTT",
        "TooSoST",
        "TSSnSnT",
        "TnSSTST",
        "TSoT.TT",
        "TTTTTTT",
    };
    EXPECT_EQ(buildMap(job), expected);
}

// The chunk repeats the output, so every pair costs 0 and the trees stop at the first pair:
// the pixels between the border (sink) and the neighbours of the empty pixel (source) are
// reached by neither.
TEST(PasteJob, OverlapReachedByNeitherTreeTakesTheChunk) {
    Scene s(8, 8, 7, 7);
    s.output = noisePicture(8, 8, 255, 5);
    for (uint32_t y = 0; y < 7; ++y)
        for (uint32_t x = 0; x < 7; ++x)
            s.chunk.at(x, y) = s.output.at(x, y);
    s.output.at(3, 3) = 0;
    PasteJob job(s.chunkView(), s.dest(0, 0), s.store);
    ASSERT_EQ(job.run(nullptr), PasteOutcome::Cut);
    EXPECT_EQ(job.flow(), 0.0);
    const MaskBuffer& mask = job.weightMask();
    for (auto [x, y] : {std::pair{2, 2}, {4, 2}, {2, 4}, {4, 4}, {3, 3}})
        EXPECT_EQ(mask.at(x, y), 255) << x << "," << y;
    EXPECT_EQ(mask.at(0, 3), 0);
    EXPECT_EQ(std::count(mask.bytes(), mask.bytes() + mask.count(), PasteJob::kUndecided), 0);
}

// Overlaps of a given shape (rectangles of the footprint over opaque noise, empty output
// elsewhere): refused at 100 pairs or more when one direction has at least twice the pairs
// of the other.
TEST(PasteJob, LongThinOverlapIsRefusedFromOneHundredPairsAtTwoToOne) {
    const struct {
        const char* overlap;
        uint32_t w, h;
        std::vector<Box> covered;
        uint32_t horizontal, vertical;
        PasteOutcome outcome;
    } cases[] = {
        {"one row of 101 pixels", 101, 3, {Box(0, 1, 100, 1)}, 100, 0, PasteOutcome::Refused},
        {"one row of 100 pixels", 100, 3, {Box(0, 1, 99, 1)}, 99, 0, PasteOutcome::Cut},
        {"2 x 34 block and a row of 3", 40, 6, {Box(1, 0, 34, 1), Box(1, 3, 3, 3)}, 68, 34, PasteOutcome::Refused},
        {"2 x 34 block and a row of 2", 40, 6, {Box(1, 0, 34, 1), Box(1, 3, 2, 3)}, 67, 34, PasteOutcome::Cut},
        {"34 x 2 block and a column of 3", 6, 40, {Box(0, 1, 1, 34), Box(3, 1, 3, 3)}, 34, 68, PasteOutcome::Refused},
    };
    for (const auto& c : cases) {
        Scene s(128, 64, c.w, c.h);
        s.chunk = noisePicture(c.w, c.h, 255, c.w);
        const PixelBuffer noise = noisePicture(128, 64, 255, c.h);
        for (const Box& b : c.covered)
            for (int32_t y = b.y0; y <= b.y1; ++y)
                for (int32_t x = b.x0; x <= b.x1; ++x)
                    s.output.at(uint32_t(x + 2), uint32_t(y + 3)) = noise.at(uint32_t(x), uint32_t(y));
        const std::vector<uint32_t> before = pixelsOf(s.output);
        PasteJob job(s.chunkView(), s.dest(2, 3), s.store);
        job.build(nullptr);
        EXPECT_EQ(job.horizontalEdgeCount(), c.horizontal) << c.overlap;
        EXPECT_EQ(job.verticalEdgeCount(), c.vertical) << c.overlap;
        EXPECT_EQ(job.run(nullptr), c.outcome) << c.overlap;
        if (c.outcome == PasteOutcome::Refused) {
            EXPECT_EQ(pixelsOf(s.output), before) << c.overlap;
            EXPECT_EQ(s.store.size(), 0u) << c.overlap;
        }
    }
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

// Without a seam inside, nothing ties the graph to the chunk; an old seam inside does,
// through its seam node.
TEST(PasteJob, FootprintInsideOpaqueContentPastesNothingUnlessItCrossesASeam) {
    Scene s(24, 24, 8, 8);
    s.output = noisePicture(24, 24, 255, 3);
    s.chunk = noisePicture(8, 8, 255, 4);
    const std::vector<uint32_t> before = pixelsOf(s.output);
    {
        PasteJob job(s.chunkView(), s.dest(5, 5), s.store);
        Box changed(1, 1, 1, 1);
        EXPECT_EQ(job.run(nullptr, &changed), PasteOutcome::Nothing);
        EXPECT_TRUE(changed.isEmpty());
        EXPECT_EQ(pixelsOf(s.output), before);
    }
    s.store.addSeam(9, 9, 10, 9, 0.05);
    PasteJob job(s.chunkView(), s.dest(5, 5), s.store);
    job.build(nullptr);
    EXPECT_EQ(job.seamNodes().size(), 1u);
    EXPECT_EQ(job.decide(), PasteOutcome::Cut);
}

// Overlap rows 1 and 2 of a 5 x 4 chunk over opaque noise: columns 0 and 4 lie on the border
// (sink), columns 1 to 3 touch the empty rows above and below (source). Three old seams cross
// the overlap: between the two sink pixels of column 0 (cheap, so the cut keeps it), between
// source pixel (3, 1) and sink pixel (4, 1) (the cut runs through it) and between two source
// pixels (covered by the chunk).
TEST(PasteJob, CrossedSeamsArePricedAtTheirOldCostAndRecostedOrCovered) {
    Scene s(8, 6, 5, 4);
    s.chunk = noisePicture(5, 4, 255, 21);
    const PixelBuffer noise = noisePicture(8, 6, 255, 22);
    for (uint32_t y = 1; y <= 2; ++y)
        for (uint32_t x = 0; x < 8; ++x)
            s.output.at(x, y) = noise.at(x, y);
    const double kept = 0.001, crossed = 7.5, covered = 0.5;
    s.store.addSeam(0, 1, 0, 2, kept);
    s.store.addSeam(3, 1, 4, 1, crossed);
    s.store.addSeam(1, 1, 2, 1, covered);
    ASSERT_GT(2 * s.pairCost(0, 1, 0, 2), kept);
    const double cut01 = s.pairCost(0, 1, 1, 1), cut02 = s.pairCost(0, 2, 1, 2);
    const double cut31 = s.pairCost(3, 1, 4, 1), cut32 = s.pairCost(3, 2, 4, 2);
    PasteJob job(s.chunkView(), s.dest(0, 0), s.store);
    ASSERT_EQ(job.run(nullptr), PasteOutcome::Cut);

    // Keeping the old seam in column 0 costs its old cost; the other cuts separate columns 0
    // and 1 and columns 3 and 4.
    EXPECT_NEAR(job.flow(), kept + cut01 + cut02 + cut31 + cut32, 1e-12);
    auto costOf = [&](uint32_t first, uint32_t second) {
        const SeamRecord* r = s.store.find(first, second);
        return r ? r->cost : -1.0;
    };
    EXPECT_NEAR(costOf(11, 12), cut31, 1e-15); // re-costed by the cut through it
    EXPECT_EQ(costOf(9, 10), -1.0);
    EXPECT_NEAR(costOf(8, 9), cut01, 1e-15);
    EXPECT_NEAR(costOf(16, 17), cut02, 1e-15);
    EXPECT_NEAR(costOf(19, 20), cut32, 1e-15);
}

// Old content in columns 13..15 and, dark, 16 of rows 6..9; a 7 x 6 chunk at (10, 5) whose last
// column is dark too. The only cheap cut runs between the dark columns and the rest, where both
// pictures have an edge anyway. On a 16-pixel output column 16 is column 0: the cut crosses the
// right edge. For the bottom edge the same scene turned over its diagonal.
TEST(PasteJob, CutFollowsTheEdgeBothPicturesShareAcrossTheRightOrBottomEdgeToo) {
    enum Variant { Inside, AcrossRight, AcrossBottom };
    // Each row's pair: new/old differences 30 / 255 at both pixels, over gradients of 200 grey
    // levels at alpha 255 in the chunk and in the output.
    const double pairCost = (60.0 / 255.0) / (2.0 * 200.0 / std::sqrt(255.0) + 0.01);
    for (Variant variant : {Inside, AcrossRight, AcrossBottom}) {
        SCOPED_TRACE(variant);
        const bool bottom = variant == AcrossBottom;
        const uint32_t side = variant == Inside ? 24 : 16, dark = 16 % side;
        // Position (x, y) of the scene across the right edge, in this variant's buffers.
        auto put = [bottom](PixelBuffer& b, uint32_t x, uint32_t y) -> uint32_t& {
            return bottom ? b.at(y, x) : b.at(x, y);
        };
        auto fill = [&](PixelBuffer& b, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, uint32_t colour) {
            for (uint32_t y = y0; y <= y1; ++y)
                for (uint32_t x = x0; x <= x1; ++x)
                    put(b, x, y) = colour;
        };
        auto index = [&](uint32_t x, uint32_t y) { return bottom ? x * side + y : y * side + x; };
        Scene s(side, side, bottom ? 6 : 7, bottom ? 7 : 6);
        fill(s.output, 13, 6, 15, 9, kBrightOld);
        fill(s.output, dark, 6, dark, 9, kDarkOld);
        fill(s.chunk, 0, 0, 6, 5, kBright);
        fill(s.chunk, 6, 0, 6, 5, kDark);
        PasteJob job(s.chunkView(), bottom ? s.dest(5, 10) : s.dest(10, 5), s.store);
        Box changed;
        ASSERT_EQ(job.run(nullptr, &changed), PasteOutcome::Cut);
        EXPECT_EQ(changed, bottom ? Box(5, 10, 10, 16) : Box(10, 5, 16, 10));
        EXPECT_NEAR(job.flow(), 4 * pairCost, 1e-14);
        EXPECT_EQ(s.store.size(), 4u);
        const MaskBuffer& mask = job.weightMask();
        auto maskAt = [&](uint32_t x, uint32_t y) { return bottom ? mask.at(y, x) : mask.at(x, y); };
        for (uint32_t y = 1; y <= 4; ++y) {
            for (uint32_t x = 0; x < 5; ++x)
                EXPECT_EQ(maskAt(x, y), 255) << x << "," << y;
            EXPECT_EQ(maskAt(5, y), PasteJob::kNewTransition) << y;
            EXPECT_EQ(maskAt(6, y), PasteJob::kOldTransition) << y;
            // Across the wrap the pair starts in the last column (row).
            const SeamRecord* seam = s.store.find(index(15, 5 + y), index(dark, 5 + y));
            ASSERT_NE(seam, nullptr) << y;
            EXPECT_NEAR(seam->cost, pairCost, 1e-15) << y;
        }
        EXPECT_EQ(put(s.output, dark, 7), blendMasked(kDarkOld, kDark, 85));
        EXPECT_EQ(put(s.output, 15, 7), blendMasked(kBrightOld, kBright, 170));
        EXPECT_EQ(put(s.output, 12, 7), kBright);
        EXPECT_EQ(put(s.output, dark + 1, 7), 0u);
    }
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

// A paste of about a million overlap pixels takes far longer than the stopper's pause, so the
// request arrives while it is being built or solved; a paste that ended on its own fails here.
TEST(PasteJob, StopFromAnotherThreadDuringALargePasteLeavesOutputBitIdentical) {
    const PixelBuffer texture = loadTexture("gravel.png");
    const uint32_t W = 2 * texture.width(), H = 2 * texture.height();
    PixelBuffer output(W, H);
    for (uint32_t y = 0; y < H; ++y)
        for (uint32_t x = 0; x < W; ++x)
            output.at(x, y) = texture.at(x % texture.width(), y % texture.height());
    PixelBuffer chunk(W - 37, H - 23);
    for (uint32_t y = 0; y < chunk.height(); ++y)
        for (uint32_t x = 0; x < chunk.width(); ++x)
            chunk.at(x, y) = output.at(x + 37, y + 23);
    // Leave a band uncovered so that the chunk is tied to both terminals.
    fillRect(output, 0, 0, W - 1, 7, 0);
    const std::vector<uint32_t> before = pixelsOf(output);
    SeamStore store;
    store.reset(W, H);
    PasteJob job(BufferView(chunk, Box(0, 0, int32_t(chunk.width()) - 1, int32_t(chunk.height()) - 1)),
                 BufferView(output, Box(0, 0, int32_t(chunk.width()) - 1, int32_t(chunk.height()) - 1)), store);
    std::thread stopper([&job] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        job.requestAbort();
    });
    EXPECT_EQ(job.run(nullptr), PasteOutcome::Aborted);
    stopper.join();
    EXPECT_EQ(pixelsOf(output), before);
    EXPECT_EQ(store.size(), 0u);
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

// The straight-cut scene overlaps 8 x 10 old pixels with a 16 x 12 footprint: 192 x 13 bytes
// of maps and 80 x 600 of graph make 50496 bytes. One byte less is refused before any graph,
// leaving output and seams as they were.
TEST(PasteJob, PasteAboveItsMemoryBudgetIsRefusedBeforeItsGraphIsBuilt) {
    for (const uint64_t budget : {uint64_t(50495), uint64_t(50496)}) {
        Scene s = straightCutScene();
        const std::vector<uint32_t> before = pixelsOf(s.output);
        PasteJob job(s.chunkView(), s.dest(8, 0), s.store);
        job.setMemoryBudget(budget);
        const PasteOutcome outcome = job.run(nullptr);
        EXPECT_EQ(job.memoryEstimate(), 50496u);
        if (budget == 50496) {
            EXPECT_EQ(outcome, PasteOutcome::Cut);
            continue;
        }
        EXPECT_EQ(outcome, PasteOutcome::OverBudget);
        EXPECT_EQ(boost::num_vertices(job.graph()), 2u);
        EXPECT_EQ(pixelsOf(s.output), before);
        EXPECT_EQ(s.store.size(), 0u);
    }
}

TEST(PasteJob, PasteThatRunsOutOfMemorySaysSoAndChangesNothing) {
    Scene s = straightCutScene();
    const std::vector<uint32_t> before = pixelsOf(s.output);
    PasteJob job(s.chunkView(), s.dest(8, 0), s.store);
    PasteOutcome outcome;
    {
        const AllocationFailure failure(1);
        outcome = job.run(nullptr);
    }
    EXPECT_EQ(outcome, PasteOutcome::OutOfMemory);
    EXPECT_EQ(pixelsOf(s.output), before);
    EXPECT_EQ(s.store.size(), 0u);
}
