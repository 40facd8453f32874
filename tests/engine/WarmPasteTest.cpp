#include <gtest/gtest.h>

#include "engine/PasteJob.h"
#include "support/AllocationFailure.h"
#include "support/Pictures.h"

namespace {

// A paste across an earlier paste's seams, over opaque noise with an 8-pixel empty band along
// the footprint's right and bottom side, so that the overlap is tied to both terminals.
struct CrossingPaste {
    static constexpr int32_t kSide = 96;
    PixelBuffer output = noisePicture(160, 160, 255, 1);
    PixelBuffer chunk = noisePicture(kSide, kSide, 255, 2);
    Box dest{20, 20, 20 + kSide - 1, 20 + kSide - 1};
    SeamStore seeded;
    SeamStore store;

    CrossingPaste() {
        for (int32_t y = dest.y0; y <= dest.y1; ++y)
            for (int32_t x = dest.x0; x <= dest.x1; ++x)
                if (x > dest.x1 - 8 || y > dest.y1 - 8)
                    output.at(uint32_t(x), uint32_t(y)) = 0;
        seeded.reset(160, 160);
        PasteJob earlier(view(), BufferView(output, Box(52, 52, 52 + kSide - 1, 52 + kSide - 1)), seeded);
        earlier.build(nullptr);
        earlier.solve();
    }
    BufferView view() { return BufferView(chunk, Box(0, 0, kSide - 1, kSide - 1)); }

    // Builds and solves the paste with `workspace`; the heap calls it made. The store starts
    // from the earlier paste's seams each time, its lists keeping their storage as a
    // synthesizer's store does.
    size_t paste(PasteWorkspace& workspace, size_t& seamNodes) {
        store = seeded;
        const size_t before = heapAllocations();
        {
            PasteJob job(view(), BufferView(output, dest), store, &workspace);
            job.build(nullptr);
            EXPECT_EQ(job.decide(), PasteOutcome::Cut);
            job.solve();
            seamNodes = job.seamNodes().size();
        }
        return heapAllocations() - before;
    }
};

} // namespace

// Once a workspace has served one paste, the same paste again (old seams, seam nodes, solver
// lists and all) is made without a single call to the heap.
TEST(PasteJob, WarmPasteOverOldSeamsDoesNotGoToTheHeap) {
    CrossingPaste p;
    PasteWorkspace workspace;
    size_t seamNodes = 0;
    EXPECT_GT(p.paste(workspace, seamNodes), 0u);
    ASSERT_GT(seamNodes, 100u);
    EXPECT_EQ(p.paste(workspace, seamNodes), 0u);
}

// A block larger than a slab (a terminal's long out-edge list) is kept and handed out again to
// the next graph, the smallest one that fits first.
TEST(EdgePool, BlocksLargerThanASlabAreKeptForTheNextGraph) {
    EdgePool pool;
    const size_t slab = EdgePool::kSlabBytes;
    for (int graph = 0; graph < 2; ++graph) {
        const size_t before = heapAllocations();
        void* small = pool.allocate(100);
        void* twice = pool.allocate(2 * slab);
        void* fourTimes = pool.allocate(4 * slab);
        EXPECT_NE(twice, fourTimes);
        for (void* block : {small, twice, fourTimes})
            pool.release(block);
        if (graph == 1) {
            EXPECT_EQ(heapAllocations() - before, 0u);
        }
    }
    EXPECT_EQ(pool.reservedBytes(), 7 * slab);
}
