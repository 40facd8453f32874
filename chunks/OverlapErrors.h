#pragma once

#include <cstdint>
#include <memory>

#include "chunks/RealFourierPlan.h"
#include "engine/PixelBuffer.h"

// How well a chunk agrees with the output under it, for every position of the chunk inside a
// window of the output at once: the overlap (output alpha times chunk alpha, summed) and the
// sum of squared RGB differences over it, weighted the same way. Colours count as 0..1 per
// channel. Computed by FFT cross-correlation over the window; the window wraps around the
// output like the output itself, so it may be the whole output seen from any origin.
// Keeps the chunk's transforms until the chunk or the window size changes.
class OverlapErrors {
public:
    OverlapErrors();
    ~OverlapErrors();
    OverlapErrors(const OverlapErrors&) = delete;
    OverlapErrors& operator=(const OverlapErrors&) = delete;

    // The chunk to compare (not owned, may be null); its transforms are dropped. Call again
    // whenever its pixels change.
    void setChunk(const PixelBuffer* chunk);

    // Compares the chunk at every position (x0 + dx, y0 + dy), 0 <= dx < chunk width,
    // 0 <= dy < chunk height (wrapped), with the output. The chunk must be no larger than the
    // output. False, with nothing computed, when the output under all those positions is
    // uncovered (alpha 0). Throws std::bad_alloc when memory runs out.
    bool compare(const PixelBuffer& output, int64_t x0, int64_t y0);

    // Results of the last successful compare for offset (dx, dy).
    double overlap(uint32_t dx, uint32_t dy) const;
    double squaredError(uint32_t dx, uint32_t dy) const;

    // Alpha-weighted area and per-pixel colour variance (summed over R, G, B) of the chunk.
    double chunkArea() const { return chunkArea_; }
    double chunkVariance() const { return chunkVariance_; }

    // The overlap (returned) and squared error (in `error`) of `chunk` with its top-left pixel at
    // (x, y) of `output`, wrapped, summed pixel by pixel in the units of compare(): one position
    // exactly, where compare() gives all of them in float precision.
    static double directError(const PixelBuffer& chunk, const PixelBuffer& output, int64_t x, int64_t y,
                              double& error);

    // Width and height of the transforms for a chunk of `chunk` pixels in an output of
    // `output` pixels along one axis: the output itself once positions could wrap onto each
    // other, otherwise a fast size holding every chunk position without wrapping.
    static uint32_t windowSide(uint32_t chunk, uint32_t output);

private:
    // Chunk-side fields, in this order: alpha, alpha x sum of squared channels, alpha x red,
    // alpha x green, alpha x blue. The output side is the same over the window.
    static constexpr int kFields = 5;

    void preparePlan(uint32_t width, uint32_t height);
    void transformChunk();
    bool fillOutputField(int field, const PixelBuffer& output, int64_t x0, int64_t y0);
    void fillChunkField(int field);
    void accumulate(int field);

    const PixelBuffer* chunk_ = nullptr;
    bool chunkReady_ = false;
    double chunkArea_ = 0.0;
    double chunkVariance_ = 0.0;

    std::unique_ptr<RealFourierPlan> plan_;
    RealArray field_;
    RealArray overlap_;
    RealArray error_;
    SpectrumArray chunkSpectra_[kFields];
    SpectrumArray scratch_;
    SpectrumArray overlapSpectrum_;
    SpectrumArray errorSpectrum_;
};
