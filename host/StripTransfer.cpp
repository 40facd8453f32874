#include "host/StripTransfer.h"

#include <algorithm>

namespace {

void setPlanes(FilterRecord& record) {
    record.inLoPlane = 0;
    record.outLoPlane = 0;
    record.inHiPlane = static_cast<int16_t>(record.planes - 1);
    record.outHiPlane = static_cast<int16_t>(record.planes - 1);
    record.inputRate = kFixedOne;
    record.maskRate = kFixedOne;
}

bool cancelled(const FilterRecord& record) {
    return record.abortProc && record.abortProc();
}

} // namespace

void StripTransfer::clearRects(FilterRecord& record) {
    record.inRect = HostRect();
    record.outRect = HostRect();
    record.maskRect = HostRect();
}

void StripTransfer::read(int16_t& result) {
    transfer(true, result);
}

void StripTransfer::write(int16_t& result) {
    transfer(false, result);
}

void StripTransfer::transfer(bool reading, int16_t& result) {
    const HostRect& filter = record_.filterRect;
    setPlanes(record_);
    clearRects(record_);
    HostRect& rect = reading ? record_.inRect : record_.outRect;
    rect.left = filter.left;
    rect.right = filter.right;
    for (int32_t top = filter.top; top < filter.bottom; top += kStripRows) {
        if (result != kResultOk || cancelled(record_)) {
            result = kResultCancelled;
            break;
        }
        rect.top = top;
        rect.bottom = int32_t(std::min<int64_t>(int64_t(top) + kStripRows, filter.bottom));
        result = record_.advanceState ? record_.advanceState() : kResultBadParameters;
        if (result != kResultOk)
            break;
        if (!convertStrip(reading, rect)) {
            result = kResultBadParameters;
            break;
        }
        if (filter.bottom - top <= kStripRows)
            break;  // the next top would overflow near INT32_MAX
    }
    clearRects(record_);
}

bool StripTransfer::convertStrip(bool reading, const HostRect& strip) {
    auto* data = static_cast<uint8_t*>(reading ? record_.inData : record_.outData);
    const int32_t rowBytes = reading ? record_.inRowBytes : record_.outRowBytes;
    const int bytesPerPixel = codec_.mode().bytesPerPixel;
    const int32_t w = width();
    if (!data || int64_t(rowBytes) < int64_t(w) * bytesPerPixel)
        return false;
    uint32_t* word = pixels_ + size_t(strip.top - record_.filterRect.top) * size_t(w);
    for (int32_t y = strip.top; y < strip.bottom; ++y) {
        uint8_t* pixel = data + size_t(y - strip.top) * size_t(rowBytes);
        for (int32_t x = 0; x < w; ++x, ++word, pixel += bytesPerPixel) {
            if (reading)
                *word = codec_.read(pixel);
            else
                codec_.write(*word, pixel);
        }
    }
    return true;
}

void StripTransfer::beginContinueWrite() {
    setPlanes(record_);
    record_.inputPadding = 255;
    record_.outputPadding = 255;
    record_.maskPadding = 255;
    clearRects(record_);
    HostRect& out = record_.outRect;
    out = record_.filterRect;
    out.bottom = std::min<int64_t>(int64_t(out.top) + kStripRows, record_.filterRect.bottom);
}

bool StripTransfer::continueWrite(int16_t& result) {
    HostRect& out = record_.outRect;
    const HostRect& filter = record_.filterRect;
    if (out.top < filter.top || out.bottom > filter.bottom || out.top >= out.bottom) {
        clearRects(record_);
        return false;
    }
    if (!convertStrip(false, out)) {
        result = kResultBadParameters;
        clearRects(record_);
        return false;
    }
    out.top = out.bottom;
    out.bottom = std::min<int64_t>(int64_t(out.top) + kStripRows, filter.bottom);
    return out.top < filter.bottom;
}
