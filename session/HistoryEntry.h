#pragma once

#include <cstdint>
#include <memory>

#include <QByteArray>

#include "chunks/MOSSynthesizer.h"
#include "engine/PixelBuffer.h"

// One undo step: the output's pixels and the synthesizer state that goes with them (placement
// counter and remembered seams), both compressed. Immutable once captured.
class HistoryEntry {
public:
    // Records `output` and `state`. An all-zero output is stored as an empty array. Null when
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

    // The compressed pixel bytes; empty for an all-zero output.
    const QByteArray& pixels() const { return pixels_; }
    // How many bytes the recorded pixels take.
    qsizetype pixelBytes() const { return pixels_.size(); }
    // The compressed seam records.
    const QByteArray& seams() const { return seams_; }

private:
    HistoryEntry(QByteArray pixels, uint32_t placementCounter, QByteArray seams);

    QByteArray pixels_;
    uint32_t placementCounter_;
    QByteArray seams_;
};
