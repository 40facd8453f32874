#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chunks/PlacementParameters.h"

// A tile made alongside OUT from maps that go with the inputs (normal, height, roughness, ...):
// one map per INPUT, in INPUT order, each given exactly the pastes of its input.
struct CompanionOption {
    std::vector<std::string> maps;
    std::string output;
};

// Everything `patchloom synth` was asked to do, checked and in engine units.
struct SynthOptions {
    std::vector<std::string> inputs; // image files, in the order given
    bool demo = false;               // use the built-in sample texture as the only input
    std::string output;              // PNG path
    uint32_t width = 512;
    uint32_t height = 512;

    // Matched gave the best tiles on our test images; at jitter 0 Random's tile repeats the
    // step between consecutive sequence points all over.
    PlacementMethod method = PlacementMethod::Matched;
    double jittering = 0.5;      // fraction, Random only
    double coveringFactor = 0.25; // fraction, SemiRegular only
    bool mixChunks = false;

    uint32_t chunkCount = 0;   // random chunks per input; 0 = none
    float chunkSize = 0.20f;   // relative to each input's size
    int32_t filterRadius = 0;  // pre-filter radius, 0 = off

    std::optional<uint32_t> seed; // none: seeded from the clock

    std::vector<CompanionOption> companions; // in the order given; outputs differ from OUT and each other

    bool report = false;    // JSON summary on stdout
    bool noPartial = false; // an interrupted run writes nothing
    bool help = false;      // print the usage and do nothing else
};
