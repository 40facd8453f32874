#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/ChunkSessions.h"
#include "support/Pictures.h"

TEST(HaltonTable, PointsAreRadicalInversesInBasesFiveAndEleven) {
    const HaltonTable table;
    const uint32_t indices[] = {0, 1, 2, 5, 6};
    const double xs[] = {0.0, 0.2, 0.4, 0.04, 0.24};
    for (int k = 0; k < 5; ++k) {
        EXPECT_NEAR(table.haltonPoint(indices[k]).x, xs[k], 1e-12) << indices[k];
        EXPECT_NEAR(table.haltonPoint(indices[k]).y, indices[k] / 11.0, 1e-12) << indices[k];
    }
}

TEST(Placement, RandomWithoutJitterFollowsTheHaltonPointsAndDrawsTwoValuesEach) {
    PlacementFixture f;
    const PixelBuffer output(100, 100);
    RandomGenerator twin(1);
    for (const Box& expected : {Box(0, 0, 9, 9), Box(20, 9, 29, 18), Box(40, 18, 49, 27)}) {
        EXPECT_EQ(placeRandom(output, Box(0, 0, 9, 9), 0.0, f.context), expected);
        twin.next();
        twin.next();
    }
    EXPECT_EQ(f.counter, 3u);
    EXPECT_EQ(f.random.next(), twin.next());
}

TEST(Placement, RandomNeverReturnsACoveredBoxAndStartsInsideTheOutput) {
    PlacementFixture f;
    PixelBuffer output(64, 48);
    RandomGenerator noise(3);
    for (uint32_t i = 0; i < output.count(); ++i)
        output.pixels()[i] = noise.next() % 10 == 0 ? 0u : 0xFF000000u;
    for (int step = 0; step < 300; ++step) {
        const Box box = placeRandom(output, Box(0, 0, 6, 4), step % 2 ? 1.0 : 0.3, f.context);
        ASSERT_EQ(box.width() * 10 + box.height(), 75);
        ASSERT_FALSE(isBoxCovered(output, box));
        ASSERT_TRUE(box.x0 >= 0 && box.x0 < 64 && box.y0 >= 0 && box.y0 < 48);
    }
}

TEST(Placement, RandomEndsOnFullNearlyFullOrEmptyInput) {
    PlacementFixture f;
    PixelBuffer output = filledPicture(300, 200, 0xFFFFFFFFu);
    EXPECT_TRUE(placeRandom(output, Box(0, 0, 2, 2), 0.5, f.context).isEmpty());
    output.at(299, 199) = 0;
    EXPECT_EQ(placeRandom(output, Box(0, 0, 0, 0), 0.0, f.context), Box(299, 199, 299, 199));
    EXPECT_TRUE(placeRandom(PixelBuffer(), Box(0, 0, 2, 2), 0.0, f.context).isEmpty());
    EXPECT_TRUE(placeRandom(output, Box::empty(), 0.0, f.context).isEmpty());
}

TEST(Placement, CoverageTestWrapsAroundTheOutputEdges) {
    PixelBuffer output = filledPicture(10, 10, 0xFF000000u);
    output.at(1, 1) = 0x80000000u;
    EXPECT_FALSE(isBoxCovered(output, Box(8, 8, 11, 11)));
    EXPECT_TRUE(isBoxCovered(output, Box(8, 8, 10, 10)));
    EXPECT_FALSE(isBoxCovered(output, Box(-9, -9, -9, -9)));
    EXPECT_FALSE(isBoxCovered(output, Box(0, 0, 40, 3)));  // wider than the output
}

TEST(Placement, SemiRegularSpreadsSevenColumnsAndFourRowsOverTwoHundredByHundred) {
    uint32_t counter = 0;
    std::vector<Box> firstCycle;
    for (int32_t j = 0; j < 4; ++j) {
        for (int32_t i = 0; i < 7; ++i) {
            const Box box = placeSemiRegular({200, 100}, {40, 40}, {40, 40}, 0.25, counter);
            EXPECT_EQ(box, Box(i * 200 / 7, j * 25, i * 200 / 7 + 39, j * 25 + 39)) << i << "," << j;
            firstCycle.push_back(box);
        }
    }
    for (const Box& box : firstCycle)
        EXPECT_EQ(placeSemiRegular({200, 100}, {40, 40}, {40, 40}, 0.25, counter), box);
}

TEST(Placement, GridStepKeepsAThreePixelOverlapAndNeverStalls) {
    EXPECT_EQ(gridStep(40, 0.25), 30);
    EXPECT_EQ(gridStep(40, 0.95), 2);
    EXPECT_EQ(gridStep(40, 0.0), 37);
    EXPECT_EQ(gridStep(40, std::nan("")), 37);
    for (int64_t cell : {3, 0, -5})
        EXPECT_EQ(gridStep(cell, 0.25), 1) << cell;
}

TEST(Placement, SemiRegularWithTinyCellsStillVisitsEveryPixel) {
    uint32_t counter = 0;
    std::vector<bool> seen(5 * 4, false);
    for (int step = 0; step < 6 * 5; ++step) {
        const Box box = placeSemiRegular({5, 4}, {2, 2}, {2, 2}, 0.25, counter);
        ASSERT_TRUE(box.x0 >= 0 && box.x0 < 5 && box.y0 >= 0 && box.y0 < 4);
        seen[size_t(box.y0 * 5 + box.x0)] = true;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), false), 0);
}

TEST(Placement, PlaceChunkDispatchesAndSinglePasteLeavesTheCounter) {
    PlacementFixture f;
    const PixelBuffer output(50, 40);
    PlacementParameters params;
    params.method = PlacementMethod::SinglePaste;
    params.pasteX = 7;
    params.pasteY = -3;  // above the output: wraps onto the tile
    f.counter = 11;
    EXPECT_EQ(placeChunk(params, output, {5, 6}, f.context), Box(7, 37, 11, 42));
    params.pasteX = -3;
    params.pasteY = 90;  // more than twice the height below
    EXPECT_EQ(placeChunk(params, output, {5, 6}, f.context), Box(47, 10, 51, 15));
    EXPECT_EQ(f.counter, 11u);
    params.method = PlacementMethod(4);
    EXPECT_TRUE(placeChunk(params, output, {5, 6}, f.context).isEmpty());
    params.method = PlacementMethod::SemiRegular;
    EXPECT_FALSE(placeChunk(params, output, {5, 6}, f.context).isEmpty());
    EXPECT_TRUE(placeChunk(params, output, {0, 6}, f.context).isEmpty());
    EXPECT_EQ(f.counter, 12u);
}

TEST(Placement, GridCellIsTheCurrentChunkOrTheSmallestWhenMixing) {
    PlacementParameters params;
    ImageCollection images;
    setGridCell(params, images);
    EXPECT_EQ(params.cellWidth, 0);
    EXPECT_EQ(params.cellHeight, 0);

    images.addImage(PixelBuffer(60, 20));
    const uint32_t tall = images.addImage(PixelBuffer(30, 50));
    images.find(tall)->addChunk();
    EXPECT_EQ(images.chunkCount(), 3u);
    images.setCurrent(tall);
    setGridCell(params, images);
    EXPECT_EQ(params.cellWidth, 30);
    EXPECT_EQ(params.cellHeight, 50);

    params.mixChunks = true; // smallest width and smallest height, possibly of different chunks
    setGridCell(params, images);
    EXPECT_EQ(params.cellWidth, 30);
    EXPECT_EQ(params.cellHeight, 20);
}
