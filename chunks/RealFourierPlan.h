#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <memory>

// Buffers for the transforms below, aligned as the FFT library wants them for its vector code.
struct FourierFree {
    void operator()(void* p) const;
};
using RealArray = std::unique_ptr<float[], FourierFree>;
using SpectrumArray = std::unique_ptr<std::complex<float>[], FourierFree>;

// Discrete Fourier transforms of real width x height images (row-major, single precision)
// and back, planned once on construction and reused. The transforms are unnormalised:
// inverse(forward(f)) gives f times width x height. Executing is safe from several threads;
// plans are made and released under a process-wide lock, since the library's planner is not.
// Plans are chosen without timing measurements, so the same sizes always give the same sums.
class RealFourierPlan {
public:
    // Sizes of at least 1 each. Throws std::bad_alloc when the library cannot make the plans.
    RealFourierPlan(uint32_t width, uint32_t height);
    ~RealFourierPlan();
    RealFourierPlan(const RealFourierPlan&) = delete;
    RealFourierPlan& operator=(const RealFourierPlan&) = delete;

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    size_t realSize() const { return size_t(width_) * height_; }
    // Complex values of a spectrum: height x (width / 2 + 1), the other half being conjugate.
    size_t spectrumSize() const { return size_t(height_) * (width_ / 2 + 1); }

    // Arrays of realSize() and spectrumSize(); contents undefined. Null when memory ran out.
    RealArray makeRealArray() const;
    SpectrumArray makeSpectrumArray() const;

    // image (realSize, kept) -> spectrum (spectrumSize). Both from the make functions above.
    void forward(const float* image, std::complex<float>* spectrum) const;
    // spectrum (spectrumSize, overwritten as scratch) -> image (realSize).
    void inverse(std::complex<float>* spectrum, float* image) const;

    // The smallest n >= minimum whose only prime factors are 2, 3, 5 and 7: sizes the library
    // transforms fastest.
    static uint32_t fastSize(uint32_t minimum);

private:
    uint32_t width_;
    uint32_t height_;
    void* forwardPlan_ = nullptr;
    void* inversePlan_ = nullptr;
};
