#pragma once

#include <cstdint>
#include <vector>

#include "engine/PixelBuffer.h"

// The built-in sample input: a cobblestone pavement drawn from scratch (no image file), with
// rounded, lit stones of varied colour, sandy joints and fine grain, so that `synth --demo`
// can show the process without anything from outside. The picture repeats with period `side`;
// it is the same for every call with the same side.
class DemoTexture {
public:
    static constexpr uint32_t kDefaultSide = 256;

    // An opaque side x side picture (at least 1 x 1).
    static PixelBuffer make(uint32_t side = kDefaultSide);

private:
    struct Site {
        double x;
        double y;
        uint32_t id;
    };
    struct Sample {
        double height;  // 0 in the joints, up to 1 on top of a stone
        uint32_t stone; // id of the nearest stone
        bool joint;
    };

    DemoTexture(uint32_t side);

    void placeSites();
    Sample sampleAt(double x, double y) const;
    double borderDistance(double x, double y, const Site& nearest) const;
    void wrapDelta(double& dx, double& dy) const;
    uint32_t shade(uint32_t x, uint32_t y, const Sample& here, double lightFactor) const;
    double grain(double x, double y, double period, uint32_t salt) const;

    uint32_t side_;
    uint32_t cells_;
    double cellSize_;
    std::vector<Site> sites_;
};
