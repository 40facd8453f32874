#include "chunks/PreFilter.h"

#include <algorithm>
#include <vector>

namespace {

constexpr size_t kChannels = 4;

// Byte view of a pixel word array; every channel is one byte of each 4-byte word.
const uint8_t* channelBytes(const PixelBuffer& buffer, size_t channel) {
    return reinterpret_cast<const uint8_t*>(buffer.pixels()) + channel;
}

uint8_t* channelBytes(PixelBuffer& buffer, size_t channel) {
    return reinterpret_cast<uint8_t*>(buffer.pixels()) + channel;
}

uint64_t channelMean(const PixelBuffer& source, size_t channel) {
    const uint8_t* bytes = channelBytes(source, channel);
    uint64_t sum = 0;
    for (size_t i = 0; i < source.count(); ++i)
        sum += bytes[i * kChannels];
    return sum / source.count();
}

// result := clamp(source - result + mean) on one channel, in place.
void subtractAverage(const PixelBuffer& source, PixelBuffer& result, size_t channel) {
    const int64_t mean = int64_t(channelMean(source, channel));
    const uint8_t* src = channelBytes(source, channel);
    uint8_t* dst = channelBytes(result, channel);
    for (size_t i = 0; i < source.count(); ++i) {
        const size_t at = i * kChannels;
        const int64_t v = int64_t(src[at]) - int64_t(dst[at]) + mean;
        dst[at] = uint8_t(std::clamp<int64_t>(v, 0, 255));
    }
}

}  // namespace

void boxAverage(const uint8_t* src, uint8_t* dst, size_t n, size_t stride, int32_t r) {
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
        dst[i * stride] = uint8_t(sum / (hi - lo + 1));
        // Slide the window to i + 1: the element entering on the right, the one leaving on the left.
        if (i + radius + 1 < n)
            sum += src[(i + radius + 1) * stride];
        if (i >= radius)
            sum -= src[(i - radius) * stride];
    }
}

void boxAverageColumns(const uint8_t* src, uint8_t* dst, size_t rowBytes, size_t height, size_t rowStride,
                       int32_t r) {
    if (height == 0 || rowBytes == 0)
        return;
    const size_t radius = std::min<size_t>(size_t(std::max<int32_t>(r, 0)), height - 1);
    std::vector<uint64_t> sums(rowBytes, 0);
    auto add = [&](size_t y) {
        const uint8_t* row = src + y * rowStride;
        for (size_t b = 0; b < rowBytes; ++b)
            sums[b] += row[b];
    };
    auto subtract = [&](size_t y) {
        const uint8_t* row = src + y * rowStride;
        for (size_t b = 0; b < rowBytes; ++b)
            sums[b] -= row[b];
    };
    for (size_t k = 0; k <= radius; ++k)
        add(k);
    for (size_t y = 0; y < height; ++y) {
        const uint64_t count = std::min(y + radius, height - 1) - (y - std::min(y, radius)) + 1;
        uint8_t* row = dst + y * rowStride;
        for (size_t b = 0; b < rowBytes; ++b)
            row[b] = uint8_t(sums[b] / count);
        if (y + radius + 1 < height)
            add(y + radius + 1);
        if (y >= radius)
            subtract(y - radius);
    }
}

PixelBuffer highPassFilter(const PixelBuffer& source, int32_t r) {
    if (source.count() == 0)
        return PixelBuffer();
    const size_t width = source.width();
    const size_t height = source.height();
    const size_t rowStride = width * kChannels;
    PixelBuffer vertical(source.width(), source.height());
    PixelBuffer result(source.width(), source.height());
    // All four channels at once: the bytes of a row are independent columns.
    boxAverageColumns(channelBytes(source, 0), channelBytes(vertical, 0), rowStride, height, rowStride, r);
    for (size_t channel = 0; channel < kChannels; ++channel) {
        const uint8_t* mid = channelBytes(vertical, channel);
        uint8_t* dst = channelBytes(result, channel);
        for (size_t y = 0; y < height; ++y)
            boxAverage(mid + y * rowStride, dst + y * rowStride, width, kChannels, r);
        subtractAverage(source, result, channel);
    }
    return result;
}
