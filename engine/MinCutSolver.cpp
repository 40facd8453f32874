#include "engine/MinCutSolver.h"

#include <algorithm>

namespace {
constexpr size_t kInitialPathRoom = 4096;
}

bool MinCutSolver::solve(SeamGraph& graph, std::vector<uint8_t>& labels, CutPairs& cutPairs,
                         const std::atomic<uint8_t>& abortRequested) {
    if (boost::num_vertices(graph) < 2 || labels.size() < boost::num_vertices(graph))
        return true;
    mirror(graph);
    prepare(labels, cutPairs);
    const bool finished = run(abortRequested);
    writeBack();
    return finished;
}

// Copies the graph into the compact arrays, numbering the edges in vertex and out-edge order.
void MinCutSolver::mirror(SeamGraph& graph) {
    g_ = &graph;
    const size_t n = boost::num_vertices(graph);
    firstEdge_.resize(n + 1);
    vertexPixel_.resize(n);
    parent_.resize(n);
    // Left to grow by doubling: the slack lets the next, usually larger, graph reuse the
    // storage, where sizing to each graph exactly took fresh pages on almost every paste.
    arcs_.clear();
    edgeProperties_.clear();
    for (size_t v = 0; v < n; ++v) {
        firstEdge_[v] = uint32_t(arcs_.size());
        vertexPixel_[v] = graph[v].pixel;
        parent_[v] = graph[v].parent;
        auto [it, end] = boost::out_edges(v, graph);
        for (; it != end; ++it) {
            SeamEdgeProperties& e = edgeProperties(*it);
            e.index = uint32_t(arcs_.size());
            arcs_.push_back({uint32_t(boost::target(*it, graph)), 0, e.residual});
            edgeProperties_.push_back(&e);
        }
    }
    firstEdge_[n] = uint32_t(arcs_.size());
    for (size_t e = 0; e < edgeProperties_.size(); ++e)
        arcs_[e].reverse = edgeProperties(edgeProperties_[e]->reverse).index;
}

void MinCutSolver::writeBack() {
    for (size_t e = 0; e < edgeProperties_.size(); ++e)
        edgeProperties_[e]->residual = arcs_[e].residual;
    SeamGraph& g = *g_;
    for (size_t v = 0; v < parent_.size(); ++v)
        g[v].parent = parent_[v];
}

void MinCutSolver::prepare(std::vector<uint8_t>& labels, CutPairs& cutPairs) {
    label_ = labels.data();
    cutPairs_ = &cutPairs;
    const size_t n = parent_.size();
    parentEdge_.assign(n, kNoEdge);
    active_.assign(n, 0);
    connectedStamp_.assign(n, 0);
    stamp_ = 0;
    current_.clear();
    next_.clear();
    // The two active lists trade places during growth, so each must hold every vertex (one
    // holds each at most once) for a warm solve never to grow them.
    current_.reserve(n);
    next_.reserve(n);
    path_.clear();
    exhausted_.clear();
    orphans_.clear();
    adoptionOrphans_.clear();
    path_.reserve(kInitialPathRoom);
    exhausted_.reserve(kInitialPathRoom);
    flow_ = 0.0;
    augmentations_ = 0;
}

bool MinCutSolver::run(const std::atomic<uint8_t>& abortRequested) {
    start();
    while (grow()) {
        if (abortRequested.load(std::memory_order_relaxed))
            return false;
        augment();
        if (abortRequested.load(std::memory_order_relaxed))
            return false;
        adopt();
        if (abortRequested.load(std::memory_order_relaxed))
            return false;
    }
    return true;
}

void MinCutSolver::setParent(uint32_t q, uint32_t p, uint32_t treeEdge) {
    parent_[q] = p;
    parentEdge_[q] = treeEdge;
    label_[q] = p == kSourceVertex ? kSourceLabel : p == kSinkVertex ? kSinkLabel : label_[p];
}

void MinCutSolver::activate(uint32_t q) {
    if (!active_[q]) {
        active_[q] = 1;
        next_.push_back(q);
    }
}

void MinCutSolver::makeOrphan(uint32_t v, std::vector<uint32_t>& queue) {
    parent_[v] = v;
    parentEdge_[v] = kNoEdge;
    queue.push_back(v);
}

// Every vertex tied to a terminal joins that terminal's tree, in edge order.
void MinCutSolver::start() {
    for (uint32_t terminal : {kSourceVertex, kSinkVertex}) {
        for (uint32_t e = firstEdge_[terminal]; e < firstEdge_[terminal + 1]; ++e) {
            const uint32_t t = arcs_[e].target;
            setParent(t, terminal, terminal == kSourceVertex ? e : arcs_[e].reverse);
            activate(t);
        }
    }
}

// Grows the trees from the last active vertex until they touch (true) or nothing is left.
bool MinCutSolver::grow() {
    for (;;) {
        if (current_.empty()) {
            if (next_.empty())
                return false;
            std::swap(current_, next_);
        }
        const uint32_t p = current_.back();
        const uint8_t L = label_[p];
        // A vertex freed by adoption while it waited in the list no longer belongs to a tree:
        // growing from it would join or augment through a path that reaches no terminal.
        if (L == kFreeLabel) {
            current_.pop_back();
            active_[p] = 0;
            continue;
        }
        const uint32_t pixelP = vertexPixel_[p];
        for (uint32_t e = firstEdge_[p], end = firstEdge_[p + 1]; e < end; ++e) {
            const uint32_t q = arcs_[e].target;
            if (q <= kSinkVertex)
                continue;
            const uint32_t treeEdge = L == kSourceLabel ? e : arcs_[e].reverse;
            if (arcs_[treeEdge].residual <= 0.0) {
                const bool pFirst = pixelP < vertexPixel_[q];
                cutPairs_->offer(pFirst ? p : q, pFirst ? q : p, edgeProperties_[treeEdge]->capacity);
            } else if (label_[q] == kFreeLabel) {
                setParent(q, p, treeEdge);
                activate(q);
            } else if (label_[q] != L) {
                meetFrom_ = p;
                meetTo_ = q;
                meetEdge_ = treeEdge;
                return true;
            }
        }
        current_.pop_back();
        active_[p] = 0;
    }
}

// Lists the path source -> ... -> sink: the connecting edge, the source side upwards, the sink
// side downwards, every edge in the direction of the flow.
void MinCutSolver::tracePath(uint32_t sourceSide, uint32_t sinkSide, uint32_t connecting) {
    path_.clear();
    path_.push_back({connecting, sourceSide, sinkSide});
    for (uint32_t v = sourceSide; v != kSourceVertex;) {
        const uint32_t pv = parent_[v];
        path_.push_back({parentEdge_[v], pv, v});
        v = pv;
    }
    for (uint32_t v = sinkSide; v != kSinkVertex;) {
        const uint32_t pv = parent_[v];
        path_.push_back({parentEdge_[v], v, pv});
        v = pv;
    }
}

void MinCutSolver::augment() {
    const bool fromSource = label_[meetFrom_] == kSourceLabel;
    tracePath(fromSource ? meetFrom_ : meetTo_, fromSource ? meetTo_ : meetFrom_, meetEdge_);

    double bottleneck = arcs_[path_.front().edge].residual;
    for (const PathEdge& pe : path_)
        bottleneck = std::min(bottleneck, arcs_[pe.edge].residual);

    exhausted_.clear();
    for (const PathEdge& pe : path_) {
        arcs_[pe.edge].residual -= bottleneck;
        arcs_[arcs_[pe.edge].reverse].residual += bottleneck;
        if (arcs_[pe.edge].residual == 0.0)
            exhausted_.push_back(pe);
    }
    flow_ += bottleneck;
    ++augmentations_;

    for (auto it = exhausted_.rbegin(); it != exhausted_.rend(); ++it) {
        if (parent_[it->to] == it->from)
            makeOrphan(it->to, orphans_);
        else if (parent_[it->from] == it->to)
            makeOrphan(it->from, orphans_);
    }
}

// True when q's parent chain ends at a terminal. Within one adoption stage a vertex found
// hanging from a terminal stays so (adoption only attaches orphans, and only orphans' own
// subtrees lose their parents), so the vertices of a successful walk are stamped and later
// walks stop there.
bool MinCutSolver::hangsFromTerminal(uint32_t q) {
    walk_.clear();
    uint32_t v = q;
    bool connected;
    for (;;) {
        if (connectedStamp_[v] == stamp_) {
            connected = true;
            break;
        }
        const uint32_t pv = parent_[v];
        if (pv == v) {
            connected = v <= kSinkVertex;
            break;
        }
        walk_.push_back(v);
        v = pv;
    }
    if (connected)
        for (uint32_t w : walk_)
            connectedStamp_[w] = stamp_;
    return connected;
}

bool MinCutSolver::tryAdopt(uint32_t o, uint8_t L) {
    const uint32_t ownTerminal = L == kSourceLabel ? kSourceVertex : kSinkVertex;
    for (uint32_t e = firstEdge_[o], end = firstEdge_[o + 1]; e < end; ++e) {
        const uint32_t q = arcs_[e].target;
        // The edge between q and o in the direction of the flow within o's tree.
        const uint32_t treeEdge = L == kSourceLabel ? arcs_[e].reverse : e;
        if (q <= kSinkVertex) {
            if (q == ownTerminal && arcs_[treeEdge].residual > 0.0) {
                setParent(o, q, treeEdge);
                return true;
            }
            continue;
        }
        if (label_[q] == L && arcs_[treeEdge].residual > 0.0 && hangsFromTerminal(q)) {
            setParent(o, q, treeEdge);
            return true;
        }
    }
    return false;
}

void MinCutSolver::freeOrphan(uint32_t o, uint8_t L) {
    label_[o] = kFreeLabel;
    for (uint32_t e = firstEdge_[o], end = firstEdge_[o + 1]; e < end; ++e) {
        const uint32_t q = arcs_[e].target;
        if (q <= kSinkVertex || label_[q] != L)
            continue;
        const uint32_t towardsO = L == kSourceLabel ? arcs_[e].reverse : e;
        if (arcs_[towardsO].residual > 0.0)
            activate(q);
        if (parent_[q] == o)
            makeOrphan(q, adoptionOrphans_);
    }
}

void MinCutSolver::adopt() {
    if (++stamp_ == 0) { // wrapped: old stamps could be mistaken for current ones
        std::fill(connectedStamp_.begin(), connectedStamp_.end(), 0u);
        stamp_ = 1;
    }
    size_t orphanHead = 0, adoptionHead = 0;
    for (;;) {
        uint32_t o;
        if (adoptionHead < adoptionOrphans_.size())
            o = adoptionOrphans_[adoptionHead++];
        else if (orphanHead < orphans_.size())
            o = orphans_[orphanHead++];
        else
            break;
        const uint8_t L = label_[o];
        if (!tryAdopt(o, L))
            freeOrphan(o, L);
    }
    orphans_.clear();
    adoptionOrphans_.clear();
}
