#include "chunks/ChunkLimits.h"
#include "chunks/Selection.h"
#include "chunks/SelectionGeometry.h"

#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr int32_t kW = 40, kH = 30;

// The image-position value of a chunk mask, 0 outside the bounds.
uint8_t maskAtImage(const Chunk& chunk, const MaskBuffer& mask, int32_t x, int32_t y) {
    const Box& b = chunk.bounds;
    if (x < b.x0 || x > b.x1 || y < b.y0 || y > b.y1)
        return 0;
    return mask.at(uint32_t(x - b.x0), uint32_t(y - b.y0));
}

// Every mask of the chunk is empty or of the size of its bounds.
void expectConsistent(const Chunk& chunk) {
    for (const MaskBuffer* m : {&chunk.outerMask, &chunk.innerMask}) {
        if (m->count() == 0)
            continue;
        EXPECT_EQ(m->width(), chunk.bounds.width());
        EXPECT_EQ(m->height(), chunk.bounds.height());
    }
    if (chunk.innerMask.count() != 0) {
        EXPECT_TRUE(hasSetByte(chunk.innerMask));
    }
}

MaskBuffer imageMaskWithBox(const Box& box) {
    MaskBuffer mask(kW, kH);
    fillBox(mask, box, 255);
    return mask;
}

void select(Chunk& chunk, SelectionTool tool, SelectionLimit limit, SelectionMode mode,
            std::vector<PixelPoint> points, float scale = 1.0f) {
    selectionToMask(chunk, kW, kH, tool, limit, mode, points, scale, scale);
    expectConsistent(chunk);
}

} // namespace

// The inner limit keeps its image position when the bounds change: cropped by a smaller box,
// dropped by one beside it, padded by a larger one.
TEST(ChunkLimits, RefitKeepsTheInnerLimitInPlace) {
    Chunk chunk(kW, kH);
    setInnerFromMask(chunk, imageMaskWithBox(Box(2, 2, 9, 9)));
    setBounds(chunk, Box(6, 5, 20, 20));
    expectConsistent(chunk);
    EXPECT_EQ(boundingBoxOfSet(chunk.innerMask), Box(0, 0, 3, 4)); // image (6, 5) to (9, 9)
    setBounds(chunk, Box(12, 12, 20, 20));
    EXPECT_EQ(chunk.innerMask.count(), 0u);

    setBounds(chunk, Box(5, 5, 14, 14));
    setInnerFromMask(chunk, imageMaskWithBox(Box(0, 0, kW - 1, kH - 1)));
    EXPECT_EQ(boundingBoxOfSet(chunk.innerMask), Box(0, 0, 9, 9));
    setBounds(chunk, Box(0, 0, 19, 19));
    expectConsistent(chunk);
    EXPECT_EQ(boundingBoxOfSet(chunk.innerMask), Box(5, 5, 14, 14));
}

TEST(Selection, RectangleDragOnTheOuterLimitSetsOnlyTheBounds) {
    Chunk chunk(kW, kH);
    select(chunk, SelectionTool::Rectangle, SelectionLimit::Outer, SelectionMode::Replace, {{10, 10}, {2, 3}});
    EXPECT_EQ(chunk.bounds, Box(2, 3, 10, 10));
    EXPECT_EQ(chunk.outerMask.count(), 0u);

    // Widget coordinates are scaled to the image and clipped to it.
    select(chunk, SelectionTool::Rectangle, SelectionLimit::Outer, SelectionMode::Replace, {{5, 5}, {100, 2}}, 2.0f);
    EXPECT_EQ(chunk.bounds, Box(10, 4, kW - 1, 10));

    // Entirely outside: the chunk stays as it was.
    select(chunk, SelectionTool::Rectangle, SelectionLimit::Outer, SelectionMode::Replace, {{50, 50}, {60, 60}});
    EXPECT_EQ(chunk.bounds, Box(10, 4, kW - 1, 10));
}

TEST(Selection, ClicksResetOrDropOnlyInReplaceMode) {
    Chunk chunk(kW, kH);
    setBounds(chunk, Box(2, 2, 12, 12));
    setInnerFromMask(chunk, imageMaskWithBox(Box(4, 4, 6, 6)));
    const Chunk before = chunk;

    for (SelectionMode mode : {SelectionMode::Add, SelectionMode::Subtract}) {
        select(chunk, SelectionTool::Rectangle, SelectionLimit::Outer, mode, {{7, 7}, {7, 7}});
        select(chunk, SelectionTool::Lasso, SelectionLimit::Inner, mode, {{1, 1}, {20, 20}});
        EXPECT_EQ(chunk.bounds, before.bounds);
        EXPECT_EQ(chunk.innerMask.count(), before.innerMask.count());
    }

    // A lasso of two points is a click: on the inner limit it drops the limit.
    select(chunk, SelectionTool::Lasso, SelectionLimit::Inner, SelectionMode::Replace, {{1, 1}, {20, 20}});
    EXPECT_EQ(chunk.innerMask.count(), 0u);
    EXPECT_EQ(chunk.bounds, before.bounds);

    select(chunk, SelectionTool::Rectangle, SelectionLimit::Outer, SelectionMode::Replace, {{7, 7}, {7, 7}});
    EXPECT_EQ(chunk.bounds, Box(0, 0, kW - 1, kH - 1));
}

TEST(Selection, AddingAndSubtractingRectanglesEditTheOuterMask) {
    Chunk chunk(kW, kH);
    setBounds(chunk, Box(2, 2, 5, 5));
    select(chunk, SelectionTool::Rectangle, SelectionLimit::Outer, SelectionMode::Add, {{10, 8}, {12, 9}});
    EXPECT_EQ(chunk.bounds, Box(2, 2, 12, 9));
    ASSERT_EQ(chunk.outerMask.count(), 11u * 8u);
    for (int32_t y = 2; y <= 9; ++y)
        for (int32_t x = 2; x <= 12; ++x) {
            const bool inEither = (x <= 5 && y <= 5) || (x >= 10 && y >= 8);
            EXPECT_EQ(maskAtImage(chunk, chunk.outerMask, x, y), inEither ? 255 : 0) << x << "," << y;
        }

    // Cutting away the second rectangle shrinks the bounds back to the first.
    select(chunk, SelectionTool::Rectangle, SelectionLimit::Outer, SelectionMode::Subtract, {{8, 7}, {20, 20}});
    EXPECT_EQ(chunk.bounds, Box(2, 2, 5, 5));

    select(chunk, SelectionTool::Rectangle, SelectionLimit::Outer, SelectionMode::Subtract, {{0, 0}, {30, 30}});
    EXPECT_EQ(chunk.bounds, Box(0, 0, kW - 1, kH - 1));
    EXPECT_EQ(chunk.outerMask.count(), 0u);
    EXPECT_FALSE(chunk.empty);
}

TEST(Selection, LassoOnTheOuterLimitCropsToTheTriangle) {
    Chunk chunk(kW, kH);
    select(chunk, SelectionTool::Lasso, SelectionLimit::Outer, SelectionMode::Replace, {{4, 4}, {24, 4}, {4, 24}});
    EXPECT_EQ(chunk.bounds, Box(4, 4, 24, 24));
    ASSERT_GT(chunk.outerMask.count(), 0u);
    EXPECT_EQ(maskAtImage(chunk, chunk.outerMask, 24, 4), 255);
    EXPECT_EQ(maskAtImage(chunk, chunk.outerMask, 8, 8), 255);
    EXPECT_EQ(maskAtImage(chunk, chunk.outerMask, 24, 24), 0);

    // An inner rectangle half outside the lasso keeps only the part inside it.
    select(chunk, SelectionTool::Rectangle, SelectionLimit::Inner, SelectionMode::Replace, {{10, 10}, {20, 20}});
    EXPECT_EQ(maskAtImage(chunk, chunk.innerMask, 10, 10), 255);
    EXPECT_EQ(maskAtImage(chunk, chunk.innerMask, 20, 20), 0);
    // One drawn entirely outside leaves no inner limit.
    select(chunk, SelectionTool::Rectangle, SelectionLimit::Inner, SelectionMode::Replace, {{20, 20}, {24, 24}});
    EXPECT_EQ(chunk.innerMask.count(), 0u);
}

TEST(Selection, UnusableInputEndsCleanly) {
    Chunk chunk(kW, kH);
    const std::vector<PixelPoint> far{{-2'000'000'000, 5}, {2'000'000'000, 5}, {5, 2'000'000'000}};
    selectionToMask(chunk, 0, kH, SelectionTool::Lasso, SelectionLimit::Outer, SelectionMode::Replace, far, 1, 1);
    EXPECT_EQ(chunk.bounds, Box(0, 0, kW - 1, kH - 1));

    // Far points are clamped onto the image edges.
    select(chunk, SelectionTool::Lasso, SelectionLimit::Outer, SelectionMode::Replace, far, 100.0f);
    EXPECT_EQ(chunk.bounds, Box(0, kH - 1, kW - 1, kH - 1));
    for (float scale : {std::numeric_limits<float>::quiet_NaN(), 0.0f, -1.0f})
        select(chunk, SelectionTool::Rectangle, SelectionLimit::Outer, SelectionMode::Replace, {{1, 1}, {5, 5}}, scale);
    EXPECT_EQ(chunk.bounds, Box(0, kH - 1, kW - 1, kH - 1));
}
