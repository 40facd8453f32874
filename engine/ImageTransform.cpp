#include "engine/ImageTransform.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct TargetSize {
    uint64_t width = 0;
    uint64_t height = 0;
};

// One axis of a bilinear sample: the pair of pixels (index - 1, index) around position t
// and the weight of the second one.
struct Tap {
    int64_t index = 0;
    double weight = 0.0;
};

Tap tapAt(double t) {
    const double whole = std::floor(t);
    int64_t index = int64_t(whole);
    if (t - whole >= 0.5)
        ++index;
    return {index, t - double(index) + 0.5};
}

uint32_t pixelOrZero(const PixelBuffer& image, int64_t x, int64_t y) {
    if (x < 0 || y < 0 || x >= int64_t(image.width()) || y >= int64_t(image.height()))
        return 0;
    return image.at(uint32_t(x), uint32_t(y));
}

uint32_t byteAt(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFFu; }

// The four weights sum to one only up to rounding, so four equal neighbours could come out one
// below their value (an opaque chunk with pixels of alpha 254 after a turn or a scale). The
// slack lifts such results back to the whole number; it is far below any true fraction.
uint32_t toByte(double value) { return uint32_t(std::clamp(std::trunc(value + 1e-7), 0.0, 255.0)); }

bool fitsLimit(const TargetSize& size) {
    return size.width >= 1 && size.height >= 1 && size.width <= kMaxTransformPixels &&
           size.height <= kMaxTransformPixels && size.width * size.height <= kMaxTransformPixels;
}

// Brings the angle into [0, 2pi); fmod first so that a huge angle cannot loop for long.
double normalisedAngle(double angle) {
    double a = std::fmod(angle, kTwoPi);
    while (a < 0.0)
        a += kTwoPi;
    while (a >= kTwoPi)
        a -= kTwoPi;
    return a;
}

// Twice the rounded-down half extent plus one pixel of margin on each side. The half
// extent is taken by magnitude: a negative projection still spans that many pixels.
uint64_t extentWithMargin(double halfExtent) {
    const float single = float(halfExtent);
    return 2 * (uint64_t(std::floor(std::fabs(single))) + 1);
}

TargetSize rotatedSize(uint32_t w, uint32_t h, double angle) {
    double phi = std::atan2(double(h), double(w));
    if ((angle > kPi / 2 && angle < kPi) || angle > 3 * kPi / 2)
        phi = -phi;
    const double halfW = double(w / 2), halfH = double(h / 2);
    const double r = std::sqrt(halfW * halfW + halfH * halfH);
    return {extentWithMargin(r * std::cos(angle - phi)),
            extentWithMargin(r * std::cos(angle - (kPi / 2 - phi)))};
}

} // namespace

uint32_t bilinearSample(const PixelBuffer& image, double u, double v) {
    // Beyond one pixel outside the image every tap is transparent; this also rejects NaN.
    if (!(u >= -1.0 && u <= double(image.width()) + 1.0 && v >= -1.0 && v <= double(image.height()) + 1.0))
        return 0;
    const Tap tx = tapAt(u), ty = tapAt(v);
    const double fx = tx.weight, fy = ty.weight;
    const uint32_t p00 = pixelOrZero(image, tx.index - 1, ty.index - 1);
    const uint32_t p10 = pixelOrZero(image, tx.index, ty.index - 1);
    const uint32_t p01 = pixelOrZero(image, tx.index - 1, ty.index);
    const uint32_t p11 = pixelOrZero(image, tx.index, ty.index);
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const double value = byteAt(p00, shift) * (1 - fx) * (1 - fy) + byteAt(p10, shift) * fx * (1 - fy) +
                             byteAt(p01, shift) * (1 - fx) * fy + byteAt(p11, shift) * fx * fy;
        result |= toByte(value) << shift;
    }
    return result;
}

PixelBuffer rotateImage(const PixelBuffer& image, double angle) {
    if (image.count() == 0 || !std::isfinite(angle))
        return {};
    const double a = normalisedAngle(angle);
    const TargetSize size = rotatedSize(image.width(), image.height(), a);
    if (!fitsLimit(size))
        return {};
    PixelBuffer result(uint32_t(size.width), uint32_t(size.height));
    const double cosA = std::cos(-a), sinA = std::sin(-a);
    const double centreU = double(image.width() / 2), centreV = double(image.height() / 2);
    const double halfTargetW = double(size.width / 2), halfTargetH = double(size.height / 2);
    for (uint32_t y = 0; y < result.height(); ++y) {
        const double dy = y + 0.5 - halfTargetH;
        for (uint32_t x = 0; x < result.width(); ++x) {
            const double dx = x + 0.5 - halfTargetW;
            const double u = centreU + cosA * dx - sinA * dy;
            const double v = centreV + sinA * dx + cosA * dy;
            result.at(x, y) = bilinearSample(image, u, v);
        }
    }
    return result;
}

PixelBuffer scaleImage(const PixelBuffer& image, double factor) {
    if (!(std::isfinite(factor) && factor > 0.0) || image.count() == 0)
        return {};
    const double width = std::trunc(double(image.width()) * factor);
    const double height = std::trunc(double(image.height()) * factor);
    if (!(width >= 1.0 && height >= 1.0 && width * height <= double(kMaxTransformPixels)))
        return {};
    PixelBuffer result{uint32_t(width), uint32_t(height)};
    const double inverse = 1.0 / factor;
    for (uint32_t y = 0; y < result.height(); ++y) {
        const double v = (y + 0.5) * inverse;
        for (uint32_t x = 0; x < result.width(); ++x)
            result.at(x, y) = bilinearSample(image, (x + 0.5) * inverse, v);
    }
    return result;
}
