#pragma once

#include <optional>

#include "engine/PixelBuffer.h"

// How strongly a picture repeats itself: the highest normalised autocorrelation of its
// high-pass (luminance minus a box blur) at any shift farther than 1/8 of its side from zero
// (an ellipse with semi-axes width / 8 and height / 8). 1 means some shift reproduces the
// picture exactly; values near 0 mean that nothing repeats beyond the texture's own grain.
// Comparing a tile's score with its input's shows the repetition that synthesis added.
class RepetitionScore {
public:
    // Box radius in pixels of the blur that the high-pass subtracts.
    static constexpr int kBlurRadius = 8;
    // Tiles with a longer side are measured on averages of f x f blocks of the high-pass
    // (the smallest f that brings both sides to at most this), to bound time and memory.
    static constexpr int kMaxMeasuredSide = 2048;

    // A seamless tile: shifts wrap around, every shift compares the whole tile. None when the
    // tile has fewer than 8 pixels on a side or its high-pass is flat.
    static std::optional<double> ofTile(const PixelBuffer& tile);
    // An input image, which does not wrap: shifts of up to half the side each way, each
    // correlated over the part where the image and its shifted copy overlap.
    static std::optional<double> ofImage(const PixelBuffer& image);
};
