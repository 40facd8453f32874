#pragma once

#include <cstdint>
#include <string>

// The filter's parameters as the host keeps them between runs (in the filter record's
// `parameters` handle). Plain data: the host stores it byte for byte, so its layout is fixed.
struct ParameterBlock {
    static constexpr int kPaletteBytes = 131072;
    static constexpr int kPaletteMaxLength = 254;

    int32_t placementMethod; // a PlacementMethod value: 0 random, 1 semi-regular, 2 matched
    int32_t chunkWidth;      // percent
    int32_t chunkHeight;     // percent
    int32_t jittering;       // percent
    int32_t coveringFactor;  // percent
    double randomSeed;
    // Paths of the input images: a length byte, at most 254 characters, a zero byte.
    unsigned char palette[kPaletteBytes];
    bool useAdvanceState;
    bool premiereHost;
    int32_t writeBack;  // 0 while strips are read, 1 while they are written

    // Numbers and seed zero, palette empty, no advanceState.
    void initialise(bool premiere);

    std::string paletteText() const;
    // Keeps the first 254 characters of `text`.
    void setPalette(const char* text, size_t length);
};
