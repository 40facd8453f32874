#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "apps/QualityFigures.h"
#include "apps/TileFiles.h"
#include "chunks/RunStatistics.h"

// The summary `synth --report` prints: one JSON object on a single line.
struct SynthReport {
    std::string output;
    bool written = false; // the output file holds this run's result
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t seed = 0;
    RunStatistics run;
    uint64_t storedSeams = 0;
    QualityFigures quality;
    // Repetition scores of the tile and of the most repetitive input (none when not measurable).
    std::optional<double> repetition;
    std::optional<double> inputRepetition;
    std::vector<TileFiles::Written> files; // every file written, OUT first

    // Keys: output, written, width, height, seed, steps, pastes {whole, cut, refused, nothing,
    // aborted}, complete, interrupted, stalled, elapsedSeconds, storedSeams, meanSeamCost,
    // seamContrast, wrapContrast, repetition, inputRepetition (null when not defined),
    // files [{path, bits}].
    std::string json() const;
};
