#include <gtest/gtest.h>

#include "engine/SeamStore.h"

TEST(SeamStore, PairsAreOrderedLeftToRightAndAcrossTheWrap) {
    SeamStore store;
    store.reset(10, 5);
    store.addSeam(9, 3, 8, 3, 0.5);
    store.addSeam(0, 3, 9, 3, 0.5);
    ASSERT_EQ(store.row(3).size(), 2u);
    EXPECT_EQ(store.row(3)[0], (SeamRecord{38, 39, 0.5}));
    EXPECT_EQ(store.row(3)[1], (SeamRecord{39, 30, 0.5}));
    // Vertical pairs: the upper pixel first, except row H-1 over row 0.
    store.addSeam(2, 1, 2, 0, 0.25);
    store.addSeam(4, 0, 4, 4, 0.75);
    ASSERT_EQ(store.column(2).size(), 1u);
    EXPECT_EQ(store.column(2)[0], (SeamRecord{2, 12, 0.25}));
    ASSERT_EQ(store.column(4).size(), 1u);
    EXPECT_EQ(store.column(4)[0], (SeamRecord{44, 4, 0.75}));
    EXPECT_EQ(store.size(), 4u);
}

TEST(SeamStore, AddingSamePairTwiceKeepsFirstCost) {
    SeamStore store;
    store.reset(4, 4);
    store.addSeam(1, 1, 2, 1, 3.0);
    store.addSeam(2, 1, 1, 1, 7.0);
    ASSERT_EQ(store.row(1).size(), 1u);
    EXPECT_EQ(store.row(1)[0].cost, 3.0);
}

// A pixel can have a horizontal and a vertical seam; each lives in its own list.
TEST(SeamStore, FindAndRemoveLookOnlyInTheRightList) {
    SeamStore store;
    store.reset(6, 6);
    store.addSeam(3, 2, 3, 3, 1.0); // vertical, first = 15
    EXPECT_EQ(store.findInRow(2, 15), nullptr);
    ASSERT_NE(store.findInColumn(3, 15), nullptr);
    EXPECT_EQ(store.findInColumn(3, 15)->second, 21u);
    store.addSeam(3, 2, 4, 2, 2.0);
    ASSERT_NE(store.findInRow(2, 15), nullptr);
    EXPECT_EQ(store.findInRow(2, 15)->cost, 2.0);
    EXPECT_EQ(store.findInRow(9, 15), nullptr); // outside the store

    EXPECT_TRUE(store.removeSeam(SeamRecord{15, 21, 0.0}));
    EXPECT_EQ(store.findInColumn(3, 15), nullptr);
    EXPECT_NE(store.findInRow(2, 15), nullptr);
    EXPECT_FALSE(store.removeSeam(SeamRecord{15, 21, 0.0}));
}

TEST(SeamStore, RestoreGivesBackTheSnapshotInOrder) {
    SeamStore store;
    store.reset(8, 8);
    store.addSeam(5, 1, 6, 1, 1.0);
    store.addSeam(1, 1, 2, 1, 2.0);
    store.addSeam(7, 7, 7, 0, 3.0);
    const SeamSnapshot before = store.snapshot();
    store.addSeam(3, 1, 4, 1, 4.0);
    store.removeSeam(SeamRecord{9, 10, 0.0});
    store.findInRow(1, 13)->cost = 99.0;
    store.restore(before);
    EXPECT_EQ(store.snapshot(), before);
    EXPECT_EQ(store.size(), 3u);
    EXPECT_EQ(store.row(1)[0].first, 9u);
    // Reset empties everything.
    store.reset(8, 8);
    EXPECT_EQ(store.size(), 0u);
}

TEST(SeamStore, PixelsThatAreNotNeighboursAreIgnored) {
    SeamStore store;
    store.reset(5, 5);
    store.addSeam(0, 0, 2, 0, 1.0);
    store.addSeam(0, 0, 1, 1, 1.0);
    store.addSeam(5, 0, 4, 0, 1.0);
    store.addSeam(1, 1, 1, 1, 1.0);
    EXPECT_EQ(store.size(), 0u);
    SeamSnapshot foreign;
    foreign.rowRecords.push_back(SeamRecord{1000, 1001, 1.0});
    store.restore(foreign);
    EXPECT_EQ(store.size(), 0u);
}
