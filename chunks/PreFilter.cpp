#include "chunks/PreFilter.h"

#include <algorithm>

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

PixelBuffer highPassFilter(const PixelBuffer& source, int32_t r) {
    if (source.count() == 0)
        return PixelBuffer();
    const size_t width = source.width();
    const size_t height = source.height();
    const size_t rowStride = width * kChannels;
    PixelBuffer vertical(source.width(), source.height());
    PixelBuffer result(source.width(), source.height());
    for (size_t channel = 0; channel < kChannels; ++channel) {
        const uint8_t* src = channelBytes(source, channel);
        uint8_t* mid = channelBytes(vertical, channel);
        for (size_t x = 0; x < width; ++x)
            boxAverage(src + x * kChannels, mid + x * kChannels, height, rowStride, r);
        uint8_t* dst = channelBytes(result, channel);
        for (size_t y = 0; y < height; ++y)
            boxAverage(mid + y * rowStride, dst + y * rowStride, width, kChannels, r);
        subtractAverage(source, result, channel);
    }
    return result;
}
