#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QByteArray>

#include "chunks/MOSSynthesizer.h"
#include "engine/PixelBuffer.h"

// One undo step: the output's pixels and the synthesizer state that goes with them (placement
// counter and remembered seams), both compressed. Immutable once captured. Recording runs while
// the window waits for the end of a paste, so it uses a fast compression level and shares the
// work with a second thread.
class HistoryEntry {
public:
    // Records `output` and `state`. An all-zero output keeps no pixel bytes. Null when
    // the state is missing or memory runs out while packing.
    static std::unique_ptr<HistoryEntry> capture(const PixelBuffer& output,
                                                 std::unique_ptr<SynthesizerState> state);

    // The recorded pixels, output.count() of them, into `pixels`. False when they do not
    // decompress to exactly that many or memory runs out.
    bool unpackPixels(const PixelBuffer& output, QByteArray& pixels) const;
    // Writes the recorded pixels over `output`. False, leaving `output` untouched, when they
    // do not decompress to exactly its pixel count.
    bool writePixelsTo(PixelBuffer& output) const;
    // A new copy of the recorded synthesizer state; null when memory runs out.
    std::unique_ptr<SynthesizerState> snapshot() const;

    // True for an all-zero output, which keeps no pixel bytes.
    bool blank() const { return pixelBlocks_.empty(); }
    // How many bytes the compressed pixels take; 0 for an all-zero output.
    qsizetype pixelBytes() const;
    // The compressed seam records.
    const QByteArray& seams() const { return seams_; }

private:
    HistoryEntry(std::vector<QByteArray> pixelBlocks, uint32_t placementCounter, QByteArray seams,
                 qsizetype packedSeamBytes);

    // The output's bytes in consecutive blocks of a fixed size, each compressed on its own.
    std::vector<QByteArray> pixelBlocks_;
    uint32_t placementCounter_;
    QByteArray seams_;
    qsizetype packedSeamBytes_; // the seam records' size before compression
};
