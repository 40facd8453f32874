#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/CutPairs.h"
#include "engine/SeamGraph.h"

// Maximum flow and minimum cut between the source (vertex 0) and the sink (vertex 1) of a
// seam graph, by growing a search tree from each terminal, augmenting where they touch and
// adopting orphans. The order of every stage is fixed, so ties always break the same way.
// Buffers are kept between runs: reuse one solver for many graphs.
class MinCutSolver {
public:
    static constexpr uint8_t kSourceLabel = 255;
    static constexpr uint8_t kSinkLabel = 0;
    static constexpr uint8_t kFreeLabel = 128;

    // Solves `graph` in place (residuals, parents). `labels` has one byte per vertex, 128 for
    // every non-terminal on entry, and holds the tree membership on return (255 source side,
    // 0 sink side, 128 free). Exhausted edges met during growth go to `cutPairs`, which must be
    // reset to the vertex count. `abortRequested` is polled between stages; returns false
    // when it stopped there (graph and labels are then partial).
    bool solve(SeamGraph& graph, std::vector<uint8_t>& labels, CutPairs& cutPairs,
               const std::atomic<uint8_t>& abortRequested);

    // Total flow pushed by the last run: the cost of the minimum cut.
    double flow() const { return flow_; }
    // Number of augmenting paths of the last run.
    uint64_t augmentations() const { return augmentations_; }

private:
    static constexpr uint32_t kNoEdge = uint32_t(-1);

    struct PathEdge {
        uint32_t edge;
        uint32_t from;
        uint32_t to;
    };

    void mirror(SeamGraph& graph);
    void writeBack();
    void prepare(std::vector<uint8_t>& labels, CutPairs& cutPairs);
    bool run(const std::atomic<uint8_t>& abortRequested);
    void start();
    bool grow();
    void augment();
    void adopt();

    void setParent(uint32_t q, uint32_t p, uint32_t treeEdge);
    void activate(uint32_t q);
    void makeOrphan(uint32_t v, std::vector<uint32_t>& queue);
    bool hangsFromTerminal(uint32_t q);
    bool tryAdopt(uint32_t o, uint8_t label);
    void freeOrphan(uint32_t o, uint8_t label);
    void tracePath(uint32_t sourceSide, uint32_t sinkSide, uint32_t connecting);

    SeamGraph* g_ = nullptr;
    uint8_t* label_ = nullptr;
    CutPairs* cutPairs_ = nullptr;

    // A compact copy of the graph, in the graph's own vertex and out-edge order: the out-edges
    // of v are firstEdge_[v] .. firstEdge_[v + 1] - 1. Residuals are worked on here and
    // written back at the end; the search reads far fewer scattered cache lines this way.
    // An edge's target, reverse and residual are read together, so they share a cache line.
    std::vector<uint32_t> firstEdge_;
    struct Arc {
        uint32_t target;
        uint32_t reverse;
        double residual;
    };
    std::vector<Arc> arcs_;
    std::vector<SeamEdgeProperties*> edgeProperties_;
    std::vector<uint32_t> vertexPixel_;

    // Per vertex: its parent, the edge between it and its parent in the direction of the flow
    // (parent -> child in the source tree, child -> parent in the sink tree), active-list
    // membership and the adoption stage in which it was last seen hanging from a terminal.
    std::vector<uint32_t> parent_;
    std::vector<uint32_t> parentEdge_;
    std::vector<uint8_t> active_;
    std::vector<uint32_t> connectedStamp_;
    uint32_t stamp_ = 0;

    std::vector<uint32_t> current_;
    std::vector<uint32_t> next_;
    std::vector<PathEdge> path_;
    std::vector<PathEdge> exhausted_;
    std::vector<uint32_t> orphans_;
    std::vector<uint32_t> adoptionOrphans_;
    std::vector<uint32_t> walk_;

    // The edge through which the last growth met the other tree, in the direction of the flow.
    uint32_t meetFrom_ = 0;
    uint32_t meetTo_ = 0;
    uint32_t meetEdge_ = kNoEdge;

    double flow_ = 0.0;
    uint64_t augmentations_ = 0;
};
