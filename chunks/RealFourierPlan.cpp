#include "chunks/RealFourierPlan.h"

#include <fftw3.h>

#include <mutex>
#include <new>

namespace {

std::mutex& plannerMutex() {
    static std::mutex mutex;
    return mutex;
}

fftwf_complex* asFftw(std::complex<float>* p) { return reinterpret_cast<fftwf_complex*>(p); }

} // namespace

void FourierFree::operator()(void* p) const { fftwf_free(p); }

RealFourierPlan::RealFourierPlan(uint32_t width, uint32_t height) : width_(width), height_(height) {
    // The planner needs arrays of the right alignment; with FFTW_ESTIMATE it does not touch them.
    RealArray image = makeRealArray();
    SpectrumArray spectrum = makeSpectrumArray();
    if (!image || !spectrum)
        throw std::bad_alloc();
    std::lock_guard<std::mutex> lock(plannerMutex());
    forwardPlan_ = fftwf_plan_dft_r2c_2d(int(height), int(width), image.get(), asFftw(spectrum.get()), FFTW_ESTIMATE);
    inversePlan_ = fftwf_plan_dft_c2r_2d(int(height), int(width), asFftw(spectrum.get()), image.get(), FFTW_ESTIMATE);
    if (!forwardPlan_ || !inversePlan_) {
        if (forwardPlan_)
            fftwf_destroy_plan(fftwf_plan(forwardPlan_));
        if (inversePlan_)
            fftwf_destroy_plan(fftwf_plan(inversePlan_));
        throw std::bad_alloc();
    }
}

RealFourierPlan::~RealFourierPlan() {
    std::lock_guard<std::mutex> lock(plannerMutex());
    fftwf_destroy_plan(fftwf_plan(forwardPlan_));
    fftwf_destroy_plan(fftwf_plan(inversePlan_));
}

RealArray RealFourierPlan::makeRealArray() const { return RealArray(fftwf_alloc_real(realSize())); }

SpectrumArray RealFourierPlan::makeSpectrumArray() const {
    return SpectrumArray(reinterpret_cast<std::complex<float>*>(fftwf_alloc_complex(spectrumSize())));
}

void RealFourierPlan::forward(const float* image, std::complex<float>* spectrum) const {
    // Out-of-place real-to-complex transforms leave their input alone.
    fftwf_execute_dft_r2c(fftwf_plan(forwardPlan_), const_cast<float*>(image), asFftw(spectrum));
}

void RealFourierPlan::inverse(std::complex<float>* spectrum, float* image) const {
    fftwf_execute_dft_c2r(fftwf_plan(inversePlan_), asFftw(spectrum), image);
}

uint32_t RealFourierPlan::fastSize(uint32_t minimum) {
    for (uint32_t n = minimum < 1 ? 1 : minimum;; ++n) {
        uint32_t rest = n;
        for (uint32_t p : {2u, 3u, 5u, 7u})
            while (rest % p == 0)
                rest /= p;
        if (rest == 1)
            return n;
    }
}
