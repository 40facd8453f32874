#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "engine/PixelBuffer.h"

// A one-line progress display for a terminal: how much of the output is covered, how many
// chunks were pasted and the time so far, redrawn in place at most ten times a second and
// erased by clear(). A disabled bar writes nothing at all.
class ProgressBar {
public:
    ProgressBar(std::ostream& stream, bool enabled) : stream_(stream), enabled_(enabled) {}
    ~ProgressBar() { clear(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Redraws the line unless it was drawn less than a tenth of a second ago.
    void update(const PixelBuffer& output, uint64_t pastes, double elapsedSeconds);
    // Erases the line, if one is shown.
    void clear();

    // The text of the line, without control characters.
    static std::string line(double coveredFraction, uint64_t pastes, double elapsedSeconds);
    // Fraction of the output's pixels that are fully opaque (from a sample on large outputs).
    static double coveredFraction(const PixelBuffer& output);

private:
    std::ostream& stream_;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point lastDrawn_{};
};
