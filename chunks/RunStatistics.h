#pragma once

#include <cstdint>

#include "engine/PasteJob.h"

// Why a run of pastes ended.
enum class RunEnd {
    Complete,        // every output pixel is opaque
    StepDone,        // the single paste asked for was made (whatever its outcome)
    Stopped,         // a stop was requested
    NothingToPaste,  // no image, or only an empty chunk that mixing cannot replace
    NotOpaqueEnough, // no chunk of the run is opaque enough to raise any output pixel further
    Stalled,         // many steps in a row raised no coverage: the chunks no longer reach the rest
    CannotPaste,     // the chunk could not be pasted: it does not fit the output, or memory ran out
    OutOfMemory,     // a chunk, its pre-filter or a paste's graph could not get memory
};

// What one run did, step by step, and how it ended.
struct RunStatistics {
    uint64_t steps = 0; // synthesizer steps taken
    uint64_t whole = 0; // pasted without a cut
    uint64_t cut = 0;   // cut into earlier content
    uint64_t refused = 0;
    uint64_t nothing = 0;
    uint64_t aborted = 0; // stopped in the middle of a paste
    uint64_t invalid = 0; // chunk or place did not fit
    RunEnd end = RunEnd::NothingToPaste;
    bool complete = false;    // every output pixel is opaque
    bool interrupted = false; // a stop request ended the run
    bool stalled = false;     // gave up before the output was full (not stopped, not for lack of a chunk)
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

    void finish(RunEnd how) {
        end = how;
        complete = how == RunEnd::Complete;
        interrupted = how == RunEnd::Stopped;
        stalled = how == RunEnd::NotOpaqueEnough || how == RunEnd::Stalled || how == RunEnd::CannotPaste ||
                  how == RunEnd::OutOfMemory;
    }
};
