#pragma once

#include <memory>

#include <QByteArray>

#include "chunks/MOSSynthesizer.h"
#include "engine/PixelBuffer.h"

// One undo step: the output's pixels, compressed, and the synthesizer state that goes with
// them (placement counter and remembered seams). Immutable once captured.
class HistoryEntry {
public:
    // Records `output` and takes ownership of `snapshot`. An all-zero output is stored as an
    // empty array. Null when the snapshot is missing or the pixels cannot be compressed.
    static std::unique_ptr<HistoryEntry> capture(const PixelBuffer& output,
                                                 std::unique_ptr<SynthesizerState> snapshot);

    // Writes the recorded pixels over `output`. False, leaving `output` untouched, when they
    // do not decompress to exactly its pixel count.
    bool writePixelsTo(PixelBuffer& output) const;

    // The compressed pixel bytes; empty for an all-zero output.
    const QByteArray& pixels() const { return pixels_; }
    const SynthesizerState& snapshot() const { return *snapshot_; }

private:
    HistoryEntry(QByteArray pixels, std::unique_ptr<SynthesizerState> snapshot);

    QByteArray pixels_;
    std::unique_ptr<SynthesizerState> snapshot_;
};
