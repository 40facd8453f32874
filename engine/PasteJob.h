#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <cstdint>
#include <vector>

#include "engine/Box.h"
#include "engine/BufferView.h"
#include "engine/CutPairs.h"
#include "engine/MaskBuffer.h"
#include "engine/MinCutSolver.h"
#include "engine/PasteWorkspace.h"
#include "engine/PixelBuffer.h"
#include "engine/SeamGraph.h"
#include "engine/SeamStore.h"

// How one paste ended.
enum class PasteOutcome {
    Whole,   // no overlap tied to the old output: pasted without a cut
    Cut,     // solved and blended in through the weight mask
    Refused, // a long thin overlap: nothing pasted
    Nothing, // nothing ties the overlap to the chunk: nothing pasted
    Aborted, // stopped by a request: output and seam store unchanged
    Invalid,     // the chunk view or destination does not fit the output: nothing done
    OverBudget,  // the paste's graph would need more memory than allowed: nothing done
    OutOfMemory, // memory ran out during the paste: nothing done
};

// One paste of a chunk view into the output: classifies the footprint, builds the seam graph
// over the overlap, decides, solves the minimum cut, updates the seam store and yields the
// weight mask. Lives for one paste. The views and the store must outlive the job.
class PasteJob {
public:
    static constexpr uint8_t kOld = 0;
    static constexpr uint8_t kUndecided = 128;
    static constexpr uint8_t kNew = 255;
    static constexpr uint8_t kOldTransition = 85;
    static constexpr uint8_t kNewTransition = 170;
    static constexpr uint32_t kRefusalMinimumPairs = 100;

    // chunkView: the chunk region to paste; destView: the output with the box whose origin
    // receives the chunk's top-left pixel. `workspace` (optional, not owned) lends its
    // buffers; it must not serve another job while this one lives.
    PasteJob(const BufferView& chunkView, const BufferView& destView, SeamStore& seamStore,
             PasteWorkspace* workspace = nullptr);

    // Releases the graph (the workspace keeps its storage).
    ~PasteJob();
    PasteJob(const PasteJob&) = delete;
    PasteJob& operator=(const PasteJob&) = delete;

    // False when the chunk view lies outside its buffer, is larger than the output, or the
    // destination origin lies outside the output, or the seam store has another size.
    bool isValid() const { return valid_; }

    // The most memory the paste may take, in bytes (0: no limit); checked against the estimate
    // once the overlap is known, before the graph is built. Set before build() or run().
    void setMemoryBudget(uint64_t bytes) { memoryBudget_ = bytes; }
    // Held while the job writes the output, so that another thread may read the output
    // between writes (not owned; null: no lock). The cut itself runs without it.
    void setOutputLock(std::mutex* lock) { outputLock_ = lock; }
    // What the paste was estimated to take (MemoryBudget::pasteBytes); 0 before build().
    uint64_t memoryEstimate() const { return memoryEstimate_; }
    bool overBudget() const { return overBudget_; }

    // Classifies the pixels and builds the graph (once; later calls do nothing). innerLimitMap (chunk-sized, may be null)
    // forces pixels with non-zero red and alpha to come from the chunk. Afterwards either
    // aborted() or the graph is complete.
    void build(const PixelBuffer* innerLimitMap);
    // The decision before solving, for a built job: Whole, Nothing, Refused, Cut, or OverBudget.
    PasteOutcome decide() const;
    // Solves the cut, updates the seam store and sets the final labels; may end aborted().
    void solve();
    // build, decide, solve and paste into the output. Returns the outcome and the changed
    // box (before wrap-around; empty unless Whole or Cut). The output is written only at the end.
    PasteOutcome run(const PixelBuffer* innerLimitMap, Box* changed = nullptr);

    // Set from another thread to stop the job at its next pixel, seam node or solver stage.
    void requestAbort() { abortRequested_.store(1, std::memory_order_relaxed); }
    bool aborted() const { return aborted_ != 0; }

    bool sinkHasEdges() const { return boost::out_degree(kSinkVertex, ws_->graph) > 0; }
    bool sourceHasEdges() const { return boost::out_degree(kSourceVertex, ws_->graph) > 0; }
    uint32_t horizontalEdgeCount() const { return horizontalEdgeCount_; }
    uint32_t verticalEdgeCount() const { return verticalEdgeCount_; }

    // One byte per chunk-view pixel: 0 keeps the output, 255 takes the chunk, 85 / 170 feather.
    const MaskBuffer& weightMask() const { return ws_->weightMask; }
    const std::vector<uint8_t>& seamNodeLabels() const { return ws_->seamNodeLabels; }
    const std::vector<SeamNodeRecord>& seamNodes() const { return ws_->seamNodes; }
    const CutPairs& cutPairs() const { return ws_->cutPairs; }
    const SeamGraph& graph() const { return ws_->graph; }
    // Flow of the solved cut (its cost), 0 before solve.
    double flow() const { return flow_; }
    // How much run() raised the output's alpha, summed over pixels; 0 when it pasted nothing.
    uint64_t coverageGain() const { return coverageGain_; }
    // Tree membership per vertex after solve (255 source side, 0 sink side, 128 free).
    const std::vector<uint8_t>& vertexLabels() const { return ws_->vertexLabels; }

private:
    uint8_t classify(uint32_t x, uint32_t y, const PixelBuffer* innerLimitMap) const;
    // Chunk pixel (x, y) of the view, and the wrapped output index under it: the hottest
    // lookups of the scan, kept inline.
    uint32_t chunkPixel(uint32_t x, uint32_t y) const {
        return chunkView_.buffer->at(uint32_t(chunkView_.box.x0) + x, uint32_t(chunkView_.box.y0) + y);
    }
    uint32_t outputIndex(uint32_t x, uint32_t y) const {
        uint32_t ox = uint32_t(destView_.box.x0) + x;
        uint32_t oy = uint32_t(destView_.box.y0) + y;
        if (ox >= W_)
            ox -= W_;
        if (oy >= H_)
            oy -= H_;
        return oy * W_ + ox;
    }
    bool stopRequested();

    void classifyFootprint(const PixelBuffer* innerLimitMap);
    bool scanOverlap();
    void linkTerminal(uint32_t x, uint32_t y, uint32_t vertex);
    void linkNeighbour(uint32_t x, uint32_t y, uint32_t tx, uint32_t ty, uint32_t vs, bool horizontal);
    bool makeSeamNodes();
    uint32_t vertexFor(uint32_t maskIndex);

    void updateSeamStore();
    void finalLabels();
    void maskIndexToOutput(uint32_t maskIndex, uint32_t& ox, uint32_t& oy) const;
    void resetGraph(size_t vertexCount);

    BufferView chunkView_;
    BufferView destView_;
    SeamStore& seamStore_;
    std::unique_ptr<PasteWorkspace> ownWorkspace_;
    PasteWorkspace* ws_;
    bool valid_ = false;

    uint32_t w_ = 0, h_ = 0, W_ = 0, H_ = 0;
    std::atomic<uint8_t> abortRequested_{0};
    uint8_t aborted_ = 0;
    bool built_ = false;  // build and solve run once; run() after build() reuses the graph
    bool solved_ = false;
    bool overBudget_ = false;
    uint64_t memoryBudget_ = 0;
    uint64_t memoryEstimate_ = 0;
    std::mutex* outputLock_ = nullptr;

    uint32_t nextVertex_ = 2;
    uint32_t horizontalEdgeCount_ = 0;
    uint32_t verticalEdgeCount_ = 0;
    double flow_ = 0.0;
    uint64_t coverageGain_ = 0;
};
