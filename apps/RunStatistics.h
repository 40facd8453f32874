#pragma once

#include <cstdint>

#include "engine/PasteJob.h"

// What one automatic run did, step by step, and how it ended.
struct RunStatistics {
    uint64_t steps = 0; // synthesizer steps taken
    uint64_t whole = 0; // pasted without a cut
    uint64_t cut = 0;   // cut into earlier content
    uint64_t refused = 0;
    uint64_t nothing = 0;
    uint64_t aborted = 0; // stopped in the middle of a paste
    uint64_t invalid = 0; // chunk or place did not fit
    bool complete = false;    // every output pixel is opaque
    bool interrupted = false; // a stop request ended the run
    bool stalled = false;     // gave up: a chunk did not fit, or too many steps changed nothing
    double elapsedSeconds = 0.0;

    uint64_t pastes() const { return whole + cut; }

    void count(PasteOutcome outcome) {
        ++steps;
        switch (outcome) {
        case PasteOutcome::Whole: ++whole; break;
        case PasteOutcome::Cut: ++cut; break;
        case PasteOutcome::Refused: ++refused; break;
        case PasteOutcome::Nothing: ++nothing; break;
        case PasteOutcome::Aborted: ++aborted; break;
        case PasteOutcome::Invalid: ++invalid; break;
        }
    }
};
