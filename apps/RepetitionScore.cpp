#include "apps/RepetitionScore.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "chunks/RealFourierPlan.h"

namespace {

struct Plane {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<float> values;
    float& at(uint32_t x, uint32_t y) { return values[size_t(y) * width + x]; }
    float at(uint32_t x, uint32_t y) const { return values[size_t(y) * width + x]; }
};

// Planes are filled in order with push_back: at 8192² each is 256 MB, and zeroing it first
// would cost as much as computing it.
Plane luminance(const PixelBuffer& image) {
    Plane p{image.width(), image.height(), {}};
    p.values.reserve(image.count());
    for (uint32_t i = 0; i < image.count(); ++i) {
        const uint32_t c = image.pixels()[i];
        p.values.push_back(0.299f * float(redOf(c)) + 0.587f * float(greenOf(c)) + 0.114f * float(blueOf(c)));
    }
    return p;
}

// Index of sample k of an n-sample line: around the ring when `wrap`, else -1 outside it.
int64_t sampleIndex(int64_t k, int64_t n, bool wrap) {
    if (k >= 0 && k < n)
        return k;
    if (!wrap)
        return -1;
    if (k >= -n && k < 2 * n)  // a division per sample would cost more than the sums
        return k < 0 ? k + n : k - n;
    return ((k % n) + n) % n;
}

// Box means are kept as running sums, so that their cost does not grow with the radius and
// every plane is read row after row. A window takes the samples within r of its centre: around
// the ring when `wrap`, else those that exist.

// Means over the window of radius r along each row of `in`.
Plane boxRows(const Plane& in, int r, bool wrap) {
    const int64_t n = in.width;
    Plane out{in.width, in.height, {}};
    out.values.reserve(in.values.size());
    for (uint32_t y = 0; y < in.height; ++y) {
        const float* line = &in.values[size_t(y) * in.width];
        double sum = 0.0;
        int64_t used = 0;
        auto add = [&](int64_t k, double sign) {
            const int64_t j = sampleIndex(k, n, wrap);
            if (j < 0)
                return;
            sum += sign * line[j];
            used += sign > 0 ? 1 : -1;
        };
        for (int64_t k = -r; k <= r; ++k)
            add(k, 1.0);
        for (int64_t x = 0; x < n; ++x) {
            out.values.push_back(float(sum / double(used)));
            add(x + r + 1, 1.0);
            add(x - r, -1.0);
        }
    }
    return out;
}

// Subtracts from `target` the means over the window of radius r down each column of `in`.
void subtractBoxColumns(const Plane& in, int r, bool wrap, Plane& target) {
    const int64_t n = in.height;
    std::vector<double> sum(in.width, 0.0);
    int64_t used = 0;
    auto addRow = [&](int64_t k, double sign) {
        const int64_t j = sampleIndex(k, n, wrap);
        if (j < 0)
            return;
        const float* row = &in.values[size_t(j) * in.width];
        for (uint32_t x = 0; x < in.width; ++x)
            sum[x] += sign * row[x];
        used += sign > 0 ? 1 : -1;
    };
    for (int64_t k = -r; k <= r; ++k)
        addRow(k, 1.0);
    for (int64_t y = 0; y < n; ++y) {
        float* row = &target.values[size_t(y) * in.width];
        for (uint32_t x = 0; x < in.width; ++x)
            row[x] -= float(sum[x] / double(used));
        addRow(y + r + 1, 1.0);
        addRow(y - r, -1.0);
    }
}

// Luminance minus its box blur, with the mean removed.
Plane highPass(const PixelBuffer& image, bool wrap) {
    Plane h = luminance(image);
    subtractBoxColumns(boxRows(h, RepetitionScore::kBlurRadius, wrap), RepetitionScore::kBlurRadius, wrap, h);
    double mean = 0.0;
    for (float v : h.values)
        mean += v;
    mean /= double(std::max<size_t>(1, h.values.size()));
    for (float& v : h.values)
        v -= float(mean);
    return h;
}

Plane blockAverage(const Plane& p, uint32_t f) {
    Plane out{p.width / f, p.height / f, {}};
    out.values.assign(size_t(out.width) * out.height, 0.0f);
    for (uint32_t y = 0; y < out.height * f; ++y)
        for (uint32_t x = 0; x < out.width * f; ++x)
            out.at(x / f, y / f) += p.at(x, y) / float(f * f);
    return out;
}

// True when shift (sx, sy) of a w x h picture lies farther than 1/8 of the side from zero.
bool farEnough(int64_t sx, int64_t sy, uint32_t w, uint32_t h) {
    const double ex = double(sx) / (double(w) / 8.0), ey = double(sy) / (double(h) / 8.0);
    return ex * ex + ey * ey > 1.0;
}

// `plane` copied into the top-left of a zeroed real array of the plan's size.
RealArray padded(const RealFourierPlan& plan, const Plane& plane, bool squared) {
    RealArray a = plan.makeRealArray();
    if (!a)
        throw std::bad_alloc();
    std::fill(a.get(), a.get() + plan.realSize(), 0.0f);
    for (uint32_t y = 0; y < plane.height; ++y)
        for (uint32_t x = 0; x < plane.width; ++x) {
            const float v = plane.at(x, y);
            a[size_t(y) * plan.width() + x] = squared ? v * v : v;
        }
    return a;
}

SpectrumArray transform(const RealFourierPlan& plan, const RealArray& image) {
    SpectrumArray s = plan.makeSpectrumArray();
    if (!s)
        throw std::bad_alloc();
    plan.forward(image.get(), s.get());
    return s;
}

// Inverse of spectrum a times the conjugate of b.
RealArray correlate(const RealFourierPlan& plan, const SpectrumArray& a, const SpectrumArray& b) {
    SpectrumArray product = plan.makeSpectrumArray();
    RealArray out = plan.makeRealArray();
    if (!product || !out)
        throw std::bad_alloc();
    for (size_t k = 0; k < plan.spectrumSize(); ++k)
        product[k] = a[k] * std::conj(b[k]);
    plan.inverse(product.get(), out.get());
    return out;
}

std::optional<double> tileScore(const Plane& h) {
    RealFourierPlan plan(h.width, h.height);
    const SpectrumArray spectrum = transform(plan, padded(plan, h, false));
    const RealArray auto_ = correlate(plan, spectrum, spectrum);
    const double zero = auto_[0];
    if (!(zero > 0.0))
        return std::nullopt;
    double best = -1.0;
    for (uint32_t y = 0; y < h.height; ++y)
        for (uint32_t x = 0; x < h.width; ++x) {
            const int64_t sx = x <= h.width / 2 ? int64_t(x) : int64_t(x) - h.width;
            const int64_t sy = y <= h.height / 2 ? int64_t(y) : int64_t(y) - h.height;
            if (farEnough(sx, sy, h.width, h.height))
                best = std::max(best, double(auto_[size_t(y) * h.width + x]) / zero);
        }
    return best;
}

// Normalised cross-correlation of the image with its shifted copy over their overlap:
// sum h(p) h(p+s) / sqrt(energy of h where p+s exists x energy of h where p-s exists).
std::optional<double> imageScore(const Plane& h) {
    const uint32_t maxX = h.width / 2, maxY = h.height / 2;
    RealFourierPlan plan(RealFourierPlan::fastSize(h.width + maxX), RealFourierPlan::fastSize(h.height + maxY));
    Plane ones{h.width, h.height, std::vector<float>(h.values.size(), 1.0f)};
    const SpectrumArray H = transform(plan, padded(plan, h, false));
    const SpectrumArray Q = transform(plan, padded(plan, h, true));
    const SpectrumArray M = transform(plan, padded(plan, ones, false));
    // corr(a, b)(s) = sum a(p + s) b(p); read at -s through the wrap of the padded plane.
    const RealArray products = correlate(plan, H, H);
    const RealArray energy = correlate(plan, Q, M); // sum over p of h(p + s)^2 where p exists
    const uint32_t W = plan.width(), Hh = plan.height();
    auto at = [&](const RealArray& a, int64_t sx, int64_t sy) {
        return double(a[size_t((sy + Hh) % Hh) * W + size_t((sx + W) % W)]);
    };
    double best = -1.0;
    bool any = false;
    for (int64_t sy = -int64_t(maxY); sy <= int64_t(maxY); ++sy)
        for (int64_t sx = -int64_t(maxX); sx <= int64_t(maxX); ++sx) {
            if (!farEnough(sx, sy, h.width, h.height))
                continue;
            const double norm = at(energy, sx, sy) * at(energy, -sx, -sy);
            if (!(norm > 1e-6))
                continue;
            best = std::max(best, at(products, sx, sy) / std::sqrt(norm));
            any = true;
        }
    return any ? std::optional<double>(best) : std::nullopt;
}

bool measurable(const PixelBuffer& image) { return image.width() >= 8 && image.height() >= 8; }

} // namespace

std::optional<double> RepetitionScore::ofTile(const PixelBuffer& tile) {
    if (!measurable(tile))
        return std::nullopt;
    try {
        Plane h = highPass(tile, true);
        const uint32_t side = std::max(h.width, h.height);
        const uint32_t f = (side + kMaxMeasuredSide - 1) / kMaxMeasuredSide;
        if (f > 1)
            h = blockAverage(h, f);
        return tileScore(h);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<double> RepetitionScore::ofImage(const PixelBuffer& image) {
    if (!measurable(image))
        return std::nullopt;
    try {
        return imageScore(highPass(image, false));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}
