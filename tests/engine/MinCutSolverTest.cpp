#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/MinCutSolver.h"
#include "support/GraphTools.h"

namespace {

struct RandomGridShape {
    uint32_t width;
    uint32_t height;
    uint32_t seed;
    bool withSeamNodes;
};

// A grid of pixel nodes with random neighbour costs, random terminal links (or none), and
// optionally seam nodes hung between neighbours and tied to the source.
SeamGraph makeRandomGrid(const RandomGridShape& shape) {
    std::mt19937 rng(shape.seed);
    std::uniform_real_distribution<double> cost(0.0, 5.0);
    std::uniform_int_distribution<int> link(0, 9);
    const uint32_t n = shape.width * shape.height;
    SeamGraph g(2);
    g[kSourceVertex] = {kSourceVertex, kSourcePixel};
    g[kSinkVertex] = {kSinkVertex, kSinkPixel};
    for (uint32_t i = 0; i < n; ++i)
        addSeamVertex(g, i);
    uint32_t seamNodes = 0;
    for (uint32_t y = 0; y < shape.height; ++y)
        for (uint32_t x = 0; x < shape.width; ++x) {
            const uint32_t v = 2 + y * shape.width + x;
            const int l = link(rng);
            if (l == 0)
                addEdgePair(g, v, kSourceVertex, kLargestCapacity);
            else if (l == 1)
                addEdgePair(g, v, kSinkVertex, kLargestCapacity);
            const uint32_t neighbours[2] = {x + 1 < shape.width ? v + 1 : 0, y + 1 < shape.height ? v + shape.width : 0};
            for (uint32_t t : neighbours) {
                if (!t)
                    continue;
                if (shape.withSeamNodes && link(rng) == 0) {
                    const uint32_t node = addSeamVertex(g, n + seamNodes++);
                    const double c = cost(rng);
                    addEdgePair(g, v, node, c);
                    addEdgePair(g, t, node, c);
                    addEdgePair(g, node, kSourceVertex, cost(rng));
                } else {
                    // Some zero costs, so that exhausted edges exist from the start.
                    addEdgePair(g, v, t, link(rng) == 2 ? 0.0 : cost(rng));
                }
            }
        }
    return g;
}

struct SolvedGraph {
    double flow = 0.0;
    double cut = 0.0;
    std::vector<uint8_t> labels;
    CutPairs cutPairs;
};

SolvedGraph solveWithOurs(SeamGraph& g) {
    SolvedGraph s;
    s.labels.assign(boost::num_vertices(g), MinCutSolver::kFreeLabel);
    s.cutPairs.reset(boost::num_vertices(g));
    std::atomic<uint8_t> abort{0};
    MinCutSolver solver;
    EXPECT_TRUE(solver.solve(g, s.labels, s.cutPairs, abort));
    s.flow = solver.flow();
    s.cut = cutCost(g, s.labels);
    return s;
}

} // namespace

TEST(MinCutSolver, FlowEqualsBoostAndCutFromLabelsOnRandomGraphs) {
    int withFlow = 0;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        const RandomGridShape shape{3 + seed % 9, 2 + (seed / 9) % 8, seed, seed % 2 == 0};
        SeamGraph ours = makeRandomGrid(shape);
        auto theirs = copySeamGraph(ours);
        const SolvedGraph s = solveWithOurs(ours);
        const double boostFlow = boostMaxFlow(*theirs);
        const double scale = std::max(1.0, std::abs(boostFlow));
        ASSERT_LT(std::abs(s.flow - boostFlow) / scale, 1e-9) << "seed " << seed;
        ASSERT_LT(std::abs(s.cut - s.flow) / scale, 1e-9) << "seed " << seed;
        withFlow += boostFlow > 0.0;
    }
    // The generator must produce real work, not only disconnected graphs.
    EXPECT_GT(withFlow, 200);
}

TEST(MinCutSolver, OneSidedGraphSpreadsOneTreeAndPushesNothing) {
    // 0 -- 1 -- 2    3 (isolated);  vertex 0 tied to the source, the 1-2 edge has no capacity.
    SeamGraph g(2);
    for (uint32_t i = 0; i < 4; ++i)
        addSeamVertex(g, i);
    addEdgePair(g, 2, kSourceVertex, kLargestCapacity);
    addEdgePair(g, 2, 3, 1.0);
    addEdgePair(g, 3, 4, 0.0);
    const SolvedGraph s = solveWithOurs(g);
    EXPECT_EQ(s.flow, 0.0);
    EXPECT_EQ(s.labels[2], 255);
    EXPECT_EQ(s.labels[3], 255);
    EXPECT_EQ(s.labels[4], 128); // behind an exhausted edge
    EXPECT_EQ(s.labels[5], 128); // unreachable
    EXPECT_EQ(s.cutPairs.partner(3), 4u);
}

// A 4 x 2 grid, pixels 0-3 above 4-7, with integer costs, pixel 4 tied to the sink and pixel 7
// to the source: the cuts {4} | rest, {0, 4} | rest and {3, 7} | rest all cost 4. Worked by
// hand in the fixed order (growth from the back of the active list, orphans of a path from
// its last exhausted edge, orphans found while adopting before the older ones): growth from
// the back meets both cut edges of {0, 4} exhausted, and the pixels between stay free. Any
// other order records fewer pairs.
TEST(MinCutSolver, TiesBreakTheSameWayEveryTime) {
    SeamGraph g(2);
    for (uint32_t i = 0; i < 8; ++i)
        addSeamVertex(g, i);
    const struct {
        uint32_t u, v;
        double cost;
    } edges[] = {{2, 3, 2}, {2, 6, 3}, {3, 4, 3}, {3, 7, 1}, {4, 5, 1}, {4, 8, 1},
                 {5, 9, 2}, {6, kSinkVertex, kLargestCapacity}, {6, 7, 2}, {7, 8, 3}, {8, 9, 3},
                 {9, kSourceVertex, kLargestCapacity}};
    for (const auto& e : edges)
        addEdgePair(g, e.u, e.v, e.cost);
    const SolvedGraph s = solveWithOurs(g);
    EXPECT_EQ(s.flow, 4.0);
    EXPECT_EQ(s.labels, (std::vector<uint8_t>{128, 128, 0, 128, 128, 255, 0, 128, 128, 255}));
    EXPECT_EQ(s.cutPairs.size(), 2u);
    EXPECT_EQ(s.cutPairs.partner(2), 3u);
    EXPECT_EQ(s.cutPairs.capacity(2), 2.0);
    EXPECT_EQ(s.cutPairs.partner(6), 7u);
    EXPECT_EQ(s.cutPairs.capacity(6), 2.0);
}

TEST(CutPairs, AVertexKeepsOnlyItsFirstPair) {
    CutPairs pairs;
    pairs.reset(6);
    pairs.offer(3, 4, 0.5);
    pairs.offer(3, 5, 0.25);
    pairs.offer(2, 5, 1.5);
    EXPECT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs.partner(3), 4u);
    EXPECT_EQ(pairs.capacity(3), 0.5);
    EXPECT_EQ(pairs.partner(4), CutPairs::kNone);
}

TEST(MinCutSolver, StopRequestEndsTheRunBeforeTheFirstAugmentation) {
    SeamGraph g = makeRandomGrid({20, 20, 5, false});
    std::vector<uint8_t> labels(boost::num_vertices(g), 128);
    CutPairs pairs;
    pairs.reset(labels.size());
    std::atomic<uint8_t> abort{1};
    MinCutSolver solver;
    EXPECT_FALSE(solver.solve(g, labels, pairs, abort));
    EXPECT_EQ(solver.augmentations(), 0u);
}
