#pragma once

#include <cstdint>
#include <functional>

#include "host/HostHandles.h"
#include "host/HostInterface.h"
#include "host/ParameterBlock.h"
#include "host/TransferMode.h"

// The module's selector dispatch and the state of one filter run: the host pixel buffer, the
// transfer mode and the globals of the current call. One instance serves the module; the
// window itself is opened by the given runners, so that the host exchange can be exercised
// without one.
class FilterPlugin {
public:
    // Opens the session window over `pixels` (width x height words, not owned, may be changed)
    // parented to `hostWindow` (0 for none); true when the user applied.
    using SessionRunner = std::function<bool(uintptr_t hostWindow, int width, int height, uint32_t* pixels)>;
    // Shows the about box over `hostWindow`.
    using AboutRunner = std::function<void(uintptr_t hostWindow)>;

    // Most words the pixel buffer may hold (1 GiB); larger rectangles report out of memory.
    static constexpr int64_t kMaxPixels = int64_t(1) << 28;

    FilterPlugin(SessionRunner session, AboutRunner about);
    ~FilterPlugin();
    FilterPlugin(const FilterPlugin&) = delete;
    FilterPlugin& operator=(const FilterPlugin&) = delete;

    // ENTRYPOINT: never throws; failures end up in *result.
    void entry(int16_t selector, void* parameterBlock, intptr_t* data, int16_t* result);

    // The pixel buffer of the current run; null between runs.
    const uint32_t* pixels() const { return pixels_; }

private:
    // Kept in a host handle in the host's data word between the selectors of one run.
    struct Globals {
        int16_t* result;
        FilterRecord* filterRecord;
    };

    // Frees the globals handle held in *data and clears it (nothing when either is null or 0).
    void disposeGlobals(FilterRecord* record, intptr_t* data);
    void about(const AboutRecord* record);
    void dispatch(int16_t selector, const HostHandles& handles, intptr_t* data);
    ParameterBlock* lockParameters(const HostHandles& handles);
    void prepare(FilterRecord& record);
    void start(FilterRecord& record, ParameterBlock& block, const HostHandles& handles);
    bool allocatePixels(const FilterRecord& record, int16_t& result);
    void continueWriting(FilterRecord& record, const ParameterBlock& block);
    void finish(FilterRecord& record, ParameterBlock& block, const HostHandles& handles, intptr_t* data);
    void freePixels();

    SessionRunner session_;
    AboutRunner about_;
    Globals* globals_ = nullptr;
    uint32_t* pixels_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    TransferMode mode_;
};
