#include "engine/PasteJob.h"

#include <new>

#include "engine/Blending.h"
#include "engine/CostFunctions.h"
#include "engine/OptionalLock.h"
#include "engine/MemoryBudget.h"

namespace {

constexpr uint32_t kNoVertex = uint32_t(-1);

bool fitsOutput(const BufferView& chunkView, const BufferView& destView, const SeamStore& store) {
    if (!destView.buffer)
        return false;
    const PixelBuffer& output = *destView.buffer;
    return pasteFits(output, chunkView, destView.box) && store.width() == output.width() &&
           store.height() == output.height();
}

} // namespace

PasteJob::PasteJob(const BufferView& chunkView, const BufferView& destView, SeamStore& seamStore,
                   PasteWorkspace* workspace)
    : chunkView_(chunkView), destView_(destView), seamStore_(seamStore),
      ownWorkspace_(workspace ? nullptr : std::make_unique<PasteWorkspace>()),
      ws_(workspace ? workspace : ownWorkspace_.get()), valid_(fitsOutput(chunkView, destView, seamStore)) {
    resetGraph(2);
    ws_->crossedSeams.clear();
    ws_->seamNodes.clear();
    ws_->seamNodeLabels.clear();
    if (!valid_) {
        ws_->weightMask.reset(0, 0);
        return;
    }
    w_ = chunkView.width();
    h_ = chunkView.height();
    W_ = destView.buffer->width();
    H_ = destView.buffer->height();
    ws_->weightMask.reset(w_, h_, 0);
}

// Empties the workspace graph (keeping its vertex storage) and makes room for vertexCount
// vertices, the two terminals first. The graph is never copied: a copy's reverse edges would
// point into the original.
void PasteJob::resetGraph(size_t vertexCount) {
    SeamGraph& g = ws_->graph;
    g.clear();
    for (size_t v = 0; v < vertexCount; ++v)
        boost::add_vertex(SeamVertexProperties{uint32_t(v), 0}, g);
    g[kSourceVertex].pixel = kSourcePixel;
    g[kSinkVertex].pixel = kSinkPixel;
}

PasteJob::~PasteJob() { ws_->graph.clear(); }

void PasteJob::maskIndexToOutput(uint32_t maskIndex, uint32_t& ox, uint32_t& oy) const {
    const uint32_t index = outputIndex(maskIndex % w_, maskIndex / w_);
    ox = index % W_;
    oy = index / W_;
}

bool PasteJob::stopRequested() {
    if (!abortRequested_.load(std::memory_order_relaxed))
        return false;
    aborted_ = 1;
    resetGraph(2);
    ws_->crossedSeams.clear();
    return true;
}

// The class of one footprint pixel as its mask byte: 0 keeps the output, 255 takes the
// chunk, 128 is overlap to be decided by the cut.
uint8_t PasteJob::classify(uint32_t x, uint32_t y, const PixelBuffer* innerLimitMap) const {
    const uint32_t cB = alphaOf(chunkPixel(x, y));
    const uint32_t cA = alphaOf(destView_.buffer->pixels()[outputIndex(x, y)]);
    if (cB == 0)
        return kOld;
    if (cA == 0)
        return kNew;
    if (innerLimitMap) {
        const uint32_t forced = innerLimitMap->width() == w_ && innerLimitMap->height() == h_
                                    ? innerLimitMap->at(x, y)
                                    : innerLimitMap->at(uint32_t(chunkView_.box.x0) + x,
                                                        uint32_t(chunkView_.box.y0) + y);
        if (redOf(forced) != 0 && alphaOf(forced) != 0)
            return kNew;
    }
    if (cB == 255 && cA != 255)
        return kNew;
    return kUndecided;
}

void PasteJob::classifyFootprint(const PixelBuffer* innerLimitMap) {
    const PixelBuffer& chunk = *chunkView_.buffer;
    // A map of neither the view's nor the chunk's size cannot say which pixels are forced.
    const bool mapFits = innerLimitMap && ((innerLimitMap->width() == w_ && innerLimitMap->height() == h_) ||
                                           (innerLimitMap->width() == chunk.width() &&
                                            innerLimitMap->height() == chunk.height()));
    const PixelBuffer* map = mapFits ? innerLimitMap : nullptr;
    uint32_t overlap = 0;
    ws_->newOldDistance.resize(size_t(w_) * h_);
    for (uint32_t y = 0; y < h_; ++y)
        for (uint32_t x = 0; x < w_; ++x) {
            const uint8_t c = classify(x, y, map);
            const size_t i = size_t(y) * w_ + x;
            ws_->weightMask[i] = c;
            if (c == kUndecided) {
                ++overlap;
                // Each overlap pixel takes part in up to four pairs; its new/old difference is
                // computed once here.
                ws_->newOldDistance[i] = colourDistance(chunkPixel(x, y), destView_.buffer->pixels()[outputIndex(x, y)]);
            }
        }
    memoryEstimate_ = MemoryBudget::pasteBytes(uint64_t(w_) * h_, overlap);
    if (memoryBudget_ != 0 && memoryEstimate_ > memoryBudget_) {
        overBudget_ = true;
        return;
    }
    // Every overlap pixel becomes a vertex during the scan; make room for all at once.
    resetGraph(size_t(overlap) + 2);
    ws_->vertexOfPixel.assign(size_t(w_) * h_, kNoVertex);
    nextVertex_ = 2;
}

uint32_t PasteJob::vertexFor(uint32_t maskIndex) {
    uint32_t& v = ws_->vertexOfPixel[maskIndex];
    if (v == kNoVertex) {
        v = nextVertex_++;
        ws_->graph[v] = SeamVertexProperties{v, maskIndex};
        // A terminal link and four neighbours: one allocation instead of three regrowths.
        ws_->graph.out_edge_list(v).reserve(5);
    }
    return v;
}

void PasteJob::linkTerminal(uint32_t x, uint32_t y, uint32_t vertex) {
    if (x == 0 || y == 0 || x == w_ - 1 || y == h_ - 1) {
        addEdgePair(ws_->graph, vertex, kSinkVertex, kLargestCapacity);
        return;
    }
    const size_t i = size_t(y) * w_ + x;
    const size_t neighbours[4] = {i - w_, i - 1, i + 1, i + w_}; // up, left, right, down
    const uint32_t nx[4] = {x, x - 1, x + 1, x};
    const uint32_t ny[4] = {y - 1, y, y, y + 1};
    for (int k = 0; k < 4; ++k)
        if (alphaOf(chunkPixel(nx[k], ny[k])) == 0) {
            addEdgePair(ws_->graph, vertex, kSinkVertex, kLargestCapacity);
            return;
        }
    for (size_t n : neighbours)
        if (ws_->weightMask[n] == kNew) {
            addEdgePair(ws_->graph, vertex, kSourceVertex, kLargestCapacity);
            return;
        }
}

void PasteJob::linkNeighbour(uint32_t x, uint32_t y, uint32_t tx, uint32_t ty, uint32_t vs, bool horizontal) {
    const uint32_t si = y * w_ + x, ti = ty * w_ + tx;
    if (ws_->weightMask[ti] != kUndecided)
        return;
    const uint32_t vt = vertexFor(ti);
    const uint32_t os = outputIndex(x, y), ot = outputIndex(tx, ty);
    const uint32_t* out = destView_.buffer->pixels();
    const double cost = seamCostFromDistances(ws_->newOldDistance[si], ws_->newOldDistance[ti], chunkPixel(x, y), out[os],
                                              chunkPixel(tx, ty), out[ot]);
    SeamRecord* old = horizontal ? seamStore_.findInRow(os / W_, os) : seamStore_.findInColumn(os % W_, os);
    if (old && old->second == ot)
        ws_->crossedSeams.push_back({*old, cost, si, ti});
    else
        addEdgePair(ws_->graph, vs, vt, cost);
    ++(horizontal ? horizontalEdgeCount_ : verticalEdgeCount_);
}

bool PasteJob::scanOverlap() {
    for (uint32_t y = 0; y < h_; ++y) {
        for (uint32_t x = 0; x < w_; ++x) {
            if (stopRequested())
                return false;
            const uint32_t i = y * w_ + x;
            if (ws_->weightMask[i] != kUndecided)
                continue;
            const uint32_t vs = vertexFor(i);
            linkTerminal(x, y, vs);
            if (x + 1 < w_)
                linkNeighbour(x, y, x + 1, y, vs, true);
            if (y + 1 < h_)
                linkNeighbour(x, y, x, y + 1, vs, false);
        }
    }
    return true;
}

// Each crossed old seam becomes a node between its two pixels: keeping it costs its old
// cost (the link to the source), cutting next to it costs the new pair's cost.
bool PasteJob::makeSeamNodes() {
    const uint32_t pixelCount = w_ * h_;
    for (size_t k = 0; k < ws_->crossedSeams.size(); ++k) {
        if (stopRequested())
            return false;
        const CrossedSeam& c = ws_->crossedSeams[k];
        const uint32_t vs = ws_->vertexOfPixel[c.firstMaskIndex];
        const uint32_t vt = ws_->vertexOfPixel[c.secondMaskIndex];
        const uint32_t n = addSeamVertex(ws_->graph, pixelCount + uint32_t(k));
        ws_->seamNodes.push_back({vs, vt, c.record, 0});
        addEdgePair(ws_->graph, vs, n, c.cost);
        addEdgePair(ws_->graph, vt, n, c.cost);
        addEdgePair(ws_->graph, n, kSourceVertex, c.record.cost);
    }
    ws_->seamNodeLabels.assign(ws_->seamNodes.size(), kUndecided);
    return true;
}

void PasteJob::build(const PixelBuffer* innerLimitMap) {
    if (!valid_ || aborted_ || built_)
        return;
    built_ = true;
    EdgePool::Scope edges(ws_->edgePool);
    classifyFootprint(innerLimitMap);
    if (overBudget_ || !scanOverlap())
        return;
    makeSeamNodes();
}

PasteOutcome PasteJob::decide() const {
    if (!valid_)
        return PasteOutcome::Invalid;
    if (aborted_)
        return PasteOutcome::Aborted;
    if (overBudget_)
        return PasteOutcome::OverBudget;
    if (!sinkHasEdges())
        return PasteOutcome::Whole;
    if (!sourceHasEdges())
        return PasteOutcome::Nothing;
    const uint32_t hc = horizontalEdgeCount_, vc = verticalEdgeCount_;
    // A long thin overlap makes a seam along its length that no cut can hide.
    if (uint64_t(hc) + vc >= kRefusalMinimumPairs && (uint64_t(hc) >= 2ull * vc || uint64_t(vc) >= 2ull * hc))
        return PasteOutcome::Refused;
    return PasteOutcome::Cut;
}

void PasteJob::solve() {
    if (!valid_ || aborted_ || !built_ || solved_)
        return;
    solved_ = true;
    const size_t n = boost::num_vertices(ws_->graph);
    ws_->vertexLabels.assign(n, kUndecided);
    ws_->cutPairs.reset(n);
    if (!ws_->solver.solve(ws_->graph, ws_->vertexLabels, ws_->cutPairs, abortRequested_)) {
        aborted_ = 1;
        return;
    }
    flow_ = ws_->solver.flow();
    updateSeamStore();
    finalLabels();
}

void PasteJob::updateSeamStore() {
    const uint32_t pixelCount = w_ * h_;
    const size_t n = boost::num_vertices(ws_->graph);
    for (uint32_t u = 2; u < n; ++u) {
        const uint32_t v = ws_->cutPairs.partner(u);
        if (v == CutPairs::kNone)
            continue;
        const uint32_t pu = ws_->graph[u].pixel, pv = ws_->graph[v].pixel;
        const double capacity = ws_->cutPairs.capacity(u);
        if (pu < pixelCount && pv < pixelCount) {
            uint32_t x1, y1, x2, y2;
            maskIndexToOutput(pu, x1, y1);
            maskIndexToOutput(pv, x2, y2);
            seamStore_.addSeam(x1, y1, x2, y2, capacity);
        } else {
            SeamNodeRecord& node = ws_->seamNodes[(pu >= pixelCount ? pu : pv) - pixelCount];
            if (SeamRecord* record = seamStore_.find(node.record.first, node.record.second))
                record->cost = capacity;
            node.cut = 1;
        }
    }
    // An old seam the cut did not pass through is covered by the new chunk.
    for (const SeamNodeRecord& node : ws_->seamNodes)
        if (!node.cut)
            seamStore_.removeSeam(node.record);
}

void PasteJob::finalLabels() {
    const uint32_t pixelCount = w_ * h_;
    const size_t n = boost::num_vertices(ws_->graph);
    for (uint32_t v = 2; v < n; ++v) {
        const uint32_t pixel = ws_->graph[v].pixel;
        if (pixel < pixelCount)
            ws_->weightMask[pixel] = ws_->vertexLabels[v];
        else
            ws_->seamNodeLabels[pixel - pixelCount] = ws_->vertexLabels[v];
    }
    for (uint32_t i = 0; i < pixelCount; ++i)
        if (ws_->weightMask[i] == kUndecided)
            ws_->weightMask[i] = kNew;
    // A one-pixel soft transition across every cut pixel pair.
    for (uint32_t u = 2; u < n; ++u) {
        const uint32_t v = ws_->cutPairs.partner(u);
        if (v == CutPairs::kNone)
            continue;
        const uint32_t pu = ws_->graph[u].pixel, pv = ws_->graph[v].pixel;
        if (pu >= pixelCount || pv >= pixelCount)
            continue;
        uint8_t& lu = ws_->weightMask[pu];
        uint8_t& lv = ws_->weightMask[pv];
        if (lu == kOld && lv == kNew) {
            lu = kOldTransition;
            lv = kNewTransition;
        } else if (lv == kOld && lu == kNew) {
            lv = kOldTransition;
            lu = kNewTransition;
        }
    }
}

PasteOutcome PasteJob::run(const PixelBuffer* innerLimitMap, Box* changed) {
    if (changed)
        *changed = Box::empty();
    try {
        build(innerLimitMap);
        PasteOutcome outcome = decide();
        PixelBuffer& output = *destView_.buffer;
        if (outcome == PasteOutcome::Whole) {
            const std::unique_lock<std::mutex> writing = lockIfAny(outputLock_);
            const Box written = plainPaste(output, chunkView_, destView_.box, &coverageGain_);
            if (changed)
                *changed = written;
        } else if (outcome == PasteOutcome::Cut) {
            solve();
            if (aborted_)
                return PasteOutcome::Aborted;
            const std::unique_lock<std::mutex> writing = lockIfAny(outputLock_);
            const Box written = maskedPaste(output, chunkView_, ws_->weightMask, destView_.box, &coverageGain_);
            if (changed)
                *changed = written;
        }
        return outcome;
    } catch (const std::bad_alloc&) {
        // A graph too large for the memory left: the output is written only after a
        // complete cut, so it is still as it was.
        return PasteOutcome::OutOfMemory;
    }
}
