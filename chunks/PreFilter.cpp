#include "chunks/PreFilter.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {

constexpr size_t kChannels = 4;

// The filter works on interleaved channel values of any unsigned width: the bytes of a
// PixelBuffer, or the 16-bit values of a DeepPixelBuffer laid out the same way.
template <typename T>
void boxAverageLine(const T* src, T* dst, size_t n, size_t stride, int32_t r) {
    if (n == 0)
        return;
    // Beyond n - 1 a larger radius changes nothing: every window is the whole line.
    const size_t radius = std::min<size_t>(size_t(std::max<int32_t>(r, 0)), n - 1);
    uint64_t sum = 0;
    for (size_t k = 0; k <= radius; ++k)
        sum += src[k * stride];
    for (size_t i = 0; i < n; ++i) {
        const size_t lo = i - std::min(i, radius);
        const size_t hi = std::min(i + radius, n - 1);
        dst[i * stride] = T(sum / (hi - lo + 1));
        // Slide the window to i + 1: the element entering on the right, the one leaving on the left.
        if (i + radius + 1 < n)
            sum += src[(i + radius + 1) * stride];
        if (i >= radius)
            sum -= src[(i - radius) * stride];
    }
}

template <typename T>
void boxAverageDown(const T* src, T* dst, size_t rowValues, size_t height, size_t rowStride, int32_t r) {
    if (height == 0 || rowValues == 0)
        return;
    const size_t radius = std::min<size_t>(size_t(std::max<int32_t>(r, 0)), height - 1);
    std::vector<uint64_t> sums(rowValues, 0);
    auto add = [&](size_t y) {
        const T* row = src + y * rowStride;
        for (size_t b = 0; b < rowValues; ++b)
            sums[b] += row[b];
    };
    auto subtract = [&](size_t y) {
        const T* row = src + y * rowStride;
        for (size_t b = 0; b < rowValues; ++b)
            sums[b] -= row[b];
    };
    for (size_t k = 0; k <= radius; ++k)
        add(k);
    for (size_t y = 0; y < height; ++y) {
        const uint64_t count = std::min(y + radius, height - 1) - (y - std::min(y, radius)) + 1;
        T* row = dst + y * rowStride;
        for (size_t b = 0; b < rowValues; ++b)
            row[b] = T(sums[b] / count);
        if (y + radius + 1 < height)
            add(y + radius + 1);
        if (y >= radius)
            subtract(y - radius);
    }
}

template <typename T>
uint64_t channelMean(const T* source, size_t count, size_t channel) {
    uint64_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += source[i * kChannels + channel];
    return sum / count;
}

// result := clamp(source - result + mean) on one channel, in place.
template <typename T>
void subtractAverage(const T* source, T* result, size_t count, size_t channel) {
    const int64_t mean = int64_t(channelMean(source, count, channel));
    constexpr int64_t top = std::numeric_limits<T>::max();
    for (size_t i = 0; i < count; ++i) {
        const size_t at = i * kChannels + channel;
        const int64_t v = int64_t(source[at]) - int64_t(result[at]) + mean;
        result[at] = T(std::clamp<int64_t>(v, 0, top));
    }
}

// `source` and `result`: width x height pixels of kChannels interleaved values; `scratch` the same size.
template <typename T>
void highPass(const T* source, T* result, T* scratch, size_t width, size_t height, int32_t r) {
    const size_t rowStride = width * kChannels;
    // All channels at once: the values of a row are independent columns.
    boxAverageDown(source, scratch, rowStride, height, rowStride, r);
    for (size_t channel = 0; channel < kChannels; ++channel) {
        for (size_t y = 0; y < height; ++y)
            boxAverageLine(scratch + y * rowStride + channel, result + y * rowStride + channel, width, kChannels, r);
        subtractAverage(source, result, width * height, channel);
    }
}

} // namespace

void boxAverage(const uint8_t* src, uint8_t* dst, size_t n, size_t stride, int32_t r) {
    boxAverageLine(src, dst, n, stride, r);
}

void boxAverageColumns(const uint8_t* src, uint8_t* dst, size_t rowBytes, size_t height, size_t rowStride,
                       int32_t r) {
    boxAverageDown(src, dst, rowBytes, height, rowStride, r);
}

PixelBuffer highPassFilter(const PixelBuffer& source, int32_t r) {
    if (source.count() == 0)
        return PixelBuffer();
    PixelBuffer vertical(source.width(), source.height());
    PixelBuffer result(source.width(), source.height());
    // Byte view of the pixel words: every channel is one byte of each 4-byte word.
    highPass(reinterpret_cast<const uint8_t*>(source.pixels()), reinterpret_cast<uint8_t*>(result.pixels()),
             reinterpret_cast<uint8_t*>(vertical.pixels()), source.width(), source.height(), r);
    return result;
}

DeepPixelBuffer highPassFilter(const DeepPixelBuffer& source, int32_t r) {
    if (source.count() == 0)
        return DeepPixelBuffer();
    const size_t values = source.count() * kChannels;
    std::vector<uint16_t> flat(values), vertical(values), filtered(values);
    for (size_t i = 0; i < source.count(); ++i) {
        const DeepPixel& p = source.pixels()[i];
        flat[i * 4] = p.red;
        flat[i * 4 + 1] = p.green;
        flat[i * 4 + 2] = p.blue;
        flat[i * 4 + 3] = p.alpha;
    }
    highPass(flat.data(), filtered.data(), vertical.data(), source.width(), source.height(), r);
    DeepPixelBuffer result(source.width(), source.height());
    for (size_t i = 0; i < result.count(); ++i)
        result.pixels()[i] = DeepPixel{filtered[i * 4], filtered[i * 4 + 1], filtered[i * 4 + 2], filtered[i * 4 + 3]};
    return result;
}
