#include "apps/ProgressBar.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr size_t kMaxSamples = size_t(1) << 20;

} // namespace

// Counts at most about a million pixels, evenly spread, so that a redraw stays cheap next to
// the pastes even on the largest outputs.
double ProgressBar::coveredFraction(const PixelBuffer& output) {
    if (output.count() == 0)
        return 1.0;
    const size_t stride = 1 + output.count() / kMaxSamples;
    size_t opaque = 0, samples = 0;
    for (size_t i = 0; i < output.count(); i += stride, ++samples)
        opaque += alphaOf(output.pixels()[i]) == 255;
    return double(opaque) / double(samples);
}

std::string ProgressBar::line(double coveredFraction, uint64_t pastes, double elapsedSeconds) {
    const double fraction = std::clamp(coveredFraction, 0.0, 1.0);
    const int filled = int(fraction * kBarWidth);
    const std::string bar = std::string(size_t(filled), '#') + std::string(size_t(kBarWidth - filled), '.');
    const long tenths = long(std::max(0.0, elapsedSeconds) * 10.0);
    char text[128];
    std::snprintf(text, sizeof text, "[%s] %5.1f %% covered, %llu pastes, %ld:%02ld.%ld", bar.c_str(), fraction * 100.0,
                  static_cast<unsigned long long>(pastes), tenths / 600, (tenths / 10) % 60, tenths % 10);
    return text;
}

void ProgressBar::update(const PixelBuffer& output, uint64_t pastes, double elapsedSeconds) {
    if (!enabled_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - lastDrawn_ < kRedrawInterval)
        return;
    lastDrawn_ = now;
    stream_ << '\r' << line(coveredFraction(output), pastes, elapsedSeconds) << "\033[K" << std::flush;
    shown_ = true;
}

void ProgressBar::clear() {
    if (!shown_)
        return;
    stream_ << "\r\033[K" << std::flush;
    shown_ = false;
}
