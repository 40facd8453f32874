#include "chunks/OverlapErrors.h"
#include "chunks/WrapIndex.h"

#include <algorithm>
#include <new>

namespace {

constexpr float kByte = 1.0f / 255.0f;

// The five per-pixel values of one pixel, weighted by its alpha (see kFields).
inline float fieldValue(int field, uint32_t pixel) {
    const float a = float(alphaOf(pixel)) * kByte;
    switch (field) {
    case 0:
        return a;
    case 1: {
        const float r = float(redOf(pixel)) * kByte, g = float(greenOf(pixel)) * kByte, b = float(blueOf(pixel)) * kByte;
        return a * (r * r + g * g + b * b);
    }
    case 2:
        return a * float(redOf(pixel)) * kByte;
    case 3:
        return a * float(greenOf(pixel)) * kByte;
    default:
        return a * float(blueOf(pixel)) * kByte;
    }
}

} // namespace

OverlapErrors::OverlapErrors() = default;
OverlapErrors::~OverlapErrors() = default;

uint32_t OverlapErrors::windowSide(uint32_t chunk, uint32_t output) {
    // Positions 0 .. chunk - 1 reach window index 2 chunk - 2; a shorter transform would fold
    // them onto pixels they do not cover, unless it is exactly as long as the output.
    const uint64_t needed = 2 * uint64_t(chunk) - 1;
    if (needed >= output)
        return output;
    return std::min(output, RealFourierPlan::fastSize(uint32_t(needed)));
}

void OverlapErrors::setChunk(const PixelBuffer* chunk) {
    chunk_ = chunk;
    chunkReady_ = false;
}

void OverlapErrors::preparePlan(uint32_t width, uint32_t height) {
    if (plan_ && plan_->width() == width && plan_->height() == height)
        return;
    // Old buffers go first, so that a large window never holds two sets at once.
    plan_.reset();
    field_.reset();
    overlap_.reset();
    error_.reset();
    for (SpectrumArray& s : chunkSpectra_)
        s.reset();
    scratch_.reset();
    overlapSpectrum_.reset();
    errorSpectrum_.reset();
    chunkReady_ = false;

    auto plan = std::make_unique<RealFourierPlan>(width, height);
    field_ = plan->makeRealArray();
    overlap_ = plan->makeRealArray();
    error_ = plan->makeRealArray();
    bool ok = field_ && overlap_ && error_;
    for (SpectrumArray& s : chunkSpectra_)
        ok = (s = plan->makeSpectrumArray()) && ok;
    ok = (scratch_ = plan->makeSpectrumArray()) && ok;
    ok = (overlapSpectrum_ = plan->makeSpectrumArray()) && ok;
    ok = (errorSpectrum_ = plan->makeSpectrumArray()) && ok;
    if (!ok)
        throw std::bad_alloc();
    plan_ = std::move(plan);
}

void OverlapErrors::fillChunkField(int field) {
    const uint32_t nx = plan_->width();
    std::fill(field_.get(), field_.get() + plan_->realSize(), 0.0f);
    for (uint32_t y = 0; y < chunk_->height(); ++y) {
        const uint32_t* row = chunk_->pixels() + size_t(y) * chunk_->width();
        float* out = field_.get() + size_t(y) * nx;
        for (uint32_t x = 0; x < chunk_->width(); ++x)
            out[x] = fieldValue(field, row[x]);
    }
}

void OverlapErrors::transformChunk() {
    double area = 0.0, squares = 0.0, sums[3] = {0.0, 0.0, 0.0};
    for (uint32_t i = 0; i < chunk_->count(); ++i) {
        const uint32_t p = chunk_->pixels()[i];
        area += fieldValue(0, p);
        squares += fieldValue(1, p);
        for (int c = 0; c < 3; ++c)
            sums[c] += fieldValue(2 + c, p);
    }
    chunkArea_ = area;
    chunkVariance_ = 0.0;
    if (area > 0.0) {
        chunkVariance_ = squares / area;
        for (double s : sums)
            chunkVariance_ -= (s / area) * (s / area);
        chunkVariance_ = std::max(0.0, chunkVariance_);
    }
    for (int f = 0; f < kFields; ++f) {
        fillChunkField(f);
        plan_->forward(field_.get(), chunkSpectra_[f].get());
    }
    chunkReady_ = true;
}

bool OverlapErrors::fillOutputField(int field, const PixelBuffer& output, int64_t x0, int64_t y0) {
    const uint32_t nx = plan_->width(), ny = plan_->height();
    const int64_t W = output.width(), H = output.height();
    const int64_t left = wrapIndex(x0, W);
    int64_t oy = wrapIndex(y0, H);
    bool anyCovered = false;
    for (uint32_t y = 0; y < ny; ++y) {
        const uint32_t* row = output.pixels() + oy * W;
        float* out = field_.get() + size_t(y) * nx;
        int64_t ox = left;
        for (uint32_t x = 0; x < nx; ++x) {
            out[x] = fieldValue(field, row[ox]);
            anyCovered = anyCovered || alphaOf(row[ox]) != 0;
            if (++ox == W)
                ox = 0;
        }
        if (++oy == H)
            oy = 0;
    }
    return anyCovered;
}

// Adds one output field's share to the spectra of the overlap and the squared error:
// sum a m |O - C|^2 = corr(a |O|^2, m) - 2 sum_c corr(a O_c, m C_c) + corr(a, m |C|^2).
void OverlapErrors::accumulate(int field) {
    const std::complex<float>* f = scratch_.get();
    std::complex<float>* overlap = overlapSpectrum_.get();
    std::complex<float>* error = errorSpectrum_.get();
    const size_t n = plan_->spectrumSize();
    if (field == 0) {
        const std::complex<float>* m = chunkSpectra_[0].get();
        const std::complex<float>* m2 = chunkSpectra_[1].get();
        for (size_t k = 0; k < n; ++k) {
            overlap[k] = f[k] * std::conj(m[k]);
            error[k] = f[k] * std::conj(m2[k]);
        }
    } else if (field == 1) {
        const std::complex<float>* m = chunkSpectra_[0].get();
        for (size_t k = 0; k < n; ++k)
            error[k] += f[k] * std::conj(m[k]);
    } else {
        const std::complex<float>* c = chunkSpectra_[field].get();
        for (size_t k = 0; k < n; ++k)
            error[k] -= 2.0f * f[k] * std::conj(c[k]);
    }
}

bool OverlapErrors::compare(const PixelBuffer& output, int64_t x0, int64_t y0) {
    if (!chunk_ || chunk_->count() == 0 || output.count() == 0 || chunk_->width() > output.width() ||
        chunk_->height() > output.height())
        return false;
    preparePlan(windowSide(chunk_->width(), output.width()), windowSide(chunk_->height(), output.height()));
    if (!chunkReady_)
        transformChunk();
    for (int f = 0; f < kFields; ++f) {
        const bool anyCovered = fillOutputField(f, output, x0, y0);
        if (f == 0 && !anyCovered)
            return false;
        plan_->forward(field_.get(), scratch_.get());
        accumulate(f);
    }
    plan_->inverse(overlapSpectrum_.get(), overlap_.get());
    plan_->inverse(errorSpectrum_.get(), error_.get());
    return true;
}

double OverlapErrors::overlap(uint32_t dx, uint32_t dy) const {
    return double(overlap_[size_t(dy) * plan_->width() + dx]) / double(plan_->realSize());
}

double OverlapErrors::squaredError(uint32_t dx, uint32_t dy) const {
    return double(error_[size_t(dy) * plan_->width() + dx]) / double(plan_->realSize());
}

double OverlapErrors::directError(const PixelBuffer& chunk, const PixelBuffer& output, int64_t x, int64_t y,
                                  double& error) {
    const int64_t W = output.width(), H = output.height();
    const int64_t left = wrapIndex(x, W);
    int64_t oy = wrapIndex(y, H);
    // Integer sums are exact: at most 255^4 x 3 per pixel, far below 2^64 for any chunk.
    uint64_t weights = 0, squares = 0;
    for (uint32_t v = 0; v < chunk.height(); ++v) {
        const uint32_t* row = output.pixels() + oy * W;
        const uint32_t* chunkRow = chunk.pixels() + size_t(v) * chunk.width();
        int64_t ox = left;
        for (uint32_t u = 0; u < chunk.width(); ++u) {
            const uint32_t o = row[ox], c = chunkRow[u];
            const uint64_t weight = uint64_t(alphaOf(o)) * alphaOf(c);
            if (weight != 0) {
                const int32_t dr = int32_t(redOf(o)) - int32_t(redOf(c));
                const int32_t dg = int32_t(greenOf(o)) - int32_t(greenOf(c));
                const int32_t db = int32_t(blueOf(o)) - int32_t(blueOf(c));
                weights += weight;
                squares += weight * uint64_t(dr * dr + dg * dg + db * db);
            }
            if (++ox == W)
                ox = 0;
        }
        if (++oy == H)
            oy = 0;
    }
    constexpr double kSquare = 255.0 * 255.0;
    error = double(squares) / (kSquare * kSquare);
    return double(weights) / kSquare;
}
