// The filter record as an image editor hands it to the module: any rectangle, mode, depth,
// plane count, background and strip memory, and a host whose strips may come with short rows
// or no data at all. Every run must end with a result word, touch no byte outside the strips
// the host handed over, and leave nothing allocated.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "host/FilterPlugin.h"
#include "host/HostInterface.h"
#include "host/PlatformHandles.h"

namespace {

// The host's side: the picture under the filter rectangle, its strips handed over by advanceState.
struct Host {
    FilterRecord record;
    std::vector<uint8_t> picture;
    int64_t rowBytes = 0;        // of the picture
    int32_t reportedRowBytes = 0; // what the host tells the filter
    int bytesPerPixel = 0;
    bool withData = true;
    int advanceFailsAt = -1;
    int advances = 0;
};

Host* gHost = nullptr;

// Points at the first byte of `rect` in the picture; null when the rectangle leaves it.
void* stripOf(const HostRect& rect) {
    const HostRect& filter = gHost->record.filterRect;
    if (rect.top < filter.top || rect.bottom > filter.bottom || rect.left < filter.left || rect.right > filter.right)
        return nullptr;
    const size_t offset = size_t(int64_t(rect.top) - filter.top) * size_t(gHost->rowBytes) +
                          size_t(int64_t(rect.left) - filter.left) * size_t(gHost->bytesPerPixel);
    return gHost->picture.data() + offset;
}

int16_t advanceState() {
    FilterRecord& r = gHost->record;
    if (gHost->advances++ == gHost->advanceFailsAt)
        return -1;
    r.inData = r.inRect.bottom > r.inRect.top && gHost->withData ? stripOf(r.inRect) : nullptr;
    r.outData = r.outRect.bottom > r.outRect.top && gHost->withData ? stripOf(r.outRect) : nullptr;
    r.inRowBytes = r.outRowBytes = gHost->reportedRowBytes;
    return kResultOk;
}

bool notCancelled() { return false; }

int16_t displayPixels(const void*, const HostRect*, int32_t, int32_t, void*) { return kResultOk; }

// The user paints the whole buffer and applies.
FilterPlugin& plugin() {
    static FilterPlugin instance(
        [](uintptr_t, int width, int height, uint32_t* pixels) {
            std::fill(pixels, pixels + size_t(width) * size_t(height), 0x80FF4020u);
            return true;
        },
        nullptr);
    return instance;
}

int16_t call(int16_t selector, intptr_t& data) {
    int16_t result = kResultOk;
    plugin().entry(selector, &gHost->record, &data, &result);
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider input(bytes, size);
    Host host;
    gHost = &host;
    FilterRecord& r = host.record;
    r.imageMode = input.ConsumeIntegralInRange<int16_t>(-1, 14);
    r.depth = input.PickValueInArray<int16_t>({8, 16, 1, 32, 0});
    r.planes = input.ConsumeIntegralInRange<int16_t>(-1, 34);
    for (uint8_t& c : r.backColor)
        c = input.ConsumeIntegral<uint8_t>();
    // Small pictures anywhere in the coordinate range, so that every selector runs quickly.
    const int32_t width = input.ConsumeIntegralInRange<int32_t>(0, 40);
    const int32_t height = input.ConsumeIntegralInRange<int32_t>(0, 80);
    r.filterRect.top = input.ConsumeIntegral<int32_t>();
    r.filterRect.left = input.ConsumeIntegral<int32_t>();
    r.filterRect.bottom = int32_t(std::min<int64_t>(int64_t(r.filterRect.top) + height, INT32_MAX));
    r.filterRect.right = int32_t(std::min<int64_t>(int64_t(r.filterRect.left) + width, INT32_MAX));
    // Now and then a rectangle of any extent, which only the selectors before start get: the
    // module must measure it without stepping through its rows.
    const bool anyExtent = input.ConsumeIntegralInRange<int>(0, 7) == 0;
    if (anyExtent) {
        r.filterRect.bottom = input.ConsumeIntegral<int32_t>();
        r.filterRect.right = input.ConsumeIntegral<int32_t>();
    }
    r.maxSpace = input.ConsumeIntegral<int32_t>();
    host.bytesPerPixel = std::max<int>(r.planes, 0) * std::max<int>(r.depth / 8, 0);
    host.rowBytes = int64_t(width) * host.bytesPerPixel + input.ConsumeIntegralInRange<int>(0, 8);
    // Now and then the host reports rows shorter than its own (even negative ones); never
    // longer, as the picture it holds would not have them.
    host.reportedRowBytes = int32_t(host.rowBytes);
    if (input.ConsumeBool())
        host.reportedRowBytes = int32_t(std::min<int64_t>(input.ConsumeIntegral<int32_t>(), host.rowBytes));
    host.withData = input.ConsumeIntegralInRange<int>(0, 15) != 0;
    host.advanceFailsAt = input.ConsumeIntegralInRange<int>(-1, 4);
    host.picture.assign(size_t(host.rowBytes) * size_t(height), 0x5A);
    if (input.ConsumeBool())
        r.advanceState = advanceState;
    r.abortProc = notCancelled;
    if (input.ConsumeBool())
        r.displayPixels = displayPixels;

    intptr_t data = 0;
    int16_t result = kResultOk;
    for (int16_t selector : {kSelectorParameters, kSelectorPrepare, kSelectorStart}) {
        if (selector == kSelectorStart && anyExtent)
            break;
        result = call(selector, data);
        if (result != kResultOk)
            break;
    }
    if (r.maxSpace < 0 && result == kResultOk)
        std::abort();
    // A module that keeps asking for rectangles beyond the picture's rows never finishes.
    for (int calls = 0; result == kResultOk && (r.outRect.bottom > r.outRect.top || r.inRect.bottom > r.inRect.top);
         ++calls) {
        if (calls > height)
            std::abort();
        advanceState();
        result = call(kSelectorContinue, data);
    }
    if (result == kResultOk)
        result = call(kSelectorFinish, data);
    // After the last selector the module keeps nothing: its globals are gone.
    if (data != 0 || plugin().pixels() != nullptr)
        std::abort();
    PlatformHandles::dispose(r.parameters);  // the host's from here on
    gHost = nullptr;
    return 0;
}
