#include "host/FilterPlugin.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "host/HostColourServices.h"
#include "host/HostIdentity.h"
#include "host/HostPixelCodec.h"
#include "host/ScriptingParameters.h"
#include "host/StripTransfer.h"

FilterPlugin::FilterPlugin(SessionRunner session, AboutRunner about)
    : session_(std::move(session)), about_(std::move(about)) {}

FilterPlugin::~FilterPlugin() {
    freePixels();
}

void FilterPlugin::freePixels() {
    std::free(pixels_);
    pixels_ = nullptr;
    width_ = 0;
    height_ = 0;
}

void FilterPlugin::entry(int16_t selector, void* parameterBlock, intptr_t* data, int16_t* result) {
    if (!result)
        return;
    try {
        if (selector == kSelectorAbout) {
            *result = kResultOk;
            about(static_cast<const AboutRecord*>(parameterBlock));
            return;
        }
        if (selector < kSelectorParameters || selector > kSelectorFinish || !parameterBlock || !data) {
            *result = kResultBadParameters;
            return;
        }
        auto* record = static_cast<FilterRecord*>(parameterBlock);
        const HostHandles handles(record->handleProcs);
        int16_t error = kResultOk;
        if (*data == 0) {
            Handle handle = handles.create(sizeof(Globals));
            globals_ = reinterpret_cast<Globals*>(handles.lock(handle, error));
            if (!globals_) {
                handles.dispose(handle);
                *result = kResultOutOfMemory;
                return;
            }
            *data = reinterpret_cast<intptr_t>(handle);
        } else {
            globals_ = reinterpret_cast<Globals*>(handles.lock(reinterpret_cast<Handle>(*data), error));
            if (!globals_) {
                *result = kResultOutOfMemory;
                return;
            }
        }
        globals_->result = result;
        globals_->filterRecord = record;
        *result = kResultOk;
        dispatch(selector, handles, data);
        if (*data != 0)
            handles.unlock(reinterpret_cast<Handle>(*data));
        // After an error the host calls no finish: the buffer and the globals go now, or the
        // buffer stays in the host's memory until the next run.
        if (*result != kResultOk) {
            freePixels();
            disposeGlobals(record, data);
        }
    } catch (...) {
        // Nothing may unwind into the host. After an error the host calls no finish, so the
        // buffer and the globals go now.
        *result = kResultOutOfMemory;
        freePixels();
        disposeGlobals(static_cast<FilterRecord*>(parameterBlock), data);
    }
    globals_ = nullptr;
}

void FilterPlugin::disposeGlobals(FilterRecord* record, intptr_t* data) {
    if (!record || !data || *data == 0)
        return;
    HostHandles(record->handleProcs).dispose(reinterpret_cast<Handle>(*data));
    *data = 0;
}

void FilterPlugin::about(const AboutRecord* record) {
    const uintptr_t window = record && record->platformData ? record->platformData->hostWindow : 0;
    if (about_)
        about_(window);
}

void FilterPlugin::dispatch(int16_t selector, const HostHandles& handles, intptr_t* data) {
    FilterRecord& record = *globals_->filterRecord;
    int16_t& result = *globals_->result;
    ParameterBlock* block = lockParameters(handles);
    if (!block) {
        result = kResultOutOfMemory;
        return;
    }
    switch (selector) {
    case kSelectorPrepare: prepare(record); break;
    case kSelectorStart: start(record, *block, handles); break;
    case kSelectorContinue: continueWriting(record, *block); break;
    case kSelectorFinish: finish(record, *block, handles, data); break;
    default: break;
    }
    handles.unlock(record.parameters);
}

// Makes a new block when the host holds none, or one too small to be ours.
ParameterBlock* FilterPlugin::lockParameters(const HostHandles& handles) {
    FilterRecord& record = *globals_->filterRecord;
    int16_t error = kResultOk;
    if (record.parameters && handles.size(record.parameters) >= int32_t(sizeof(ParameterBlock)))
        return reinterpret_cast<ParameterBlock*>(handles.lock(record.parameters, error));
    if (record.parameters)
        handles.dispose(record.parameters);
    record.parameters = handles.create(sizeof(ParameterBlock));
    auto* block = reinterpret_cast<ParameterBlock*>(handles.lock(record.parameters, error));
    if (block)
        block->initialise(HostIdentity::isPremiere());
    return block;
}

// Asks for enough strip memory for at least as many rows as fit in what the host offered.
void FilterPlugin::prepare(FilterRecord& record) {
    record.bufferSpace = 0;
    const int64_t width = std::max<int64_t>(0, int64_t(record.filterRect.right) - record.filterRect.left);
    const int64_t height = int64_t(record.filterRect.bottom) - record.filterRect.top;
    const int64_t rowBytes = int64_t(std::max<int16_t>(record.planes, 0)) * width * 2;
    // The fewest rows that reach the offer, within the rectangle; counted, not stepped to, as a
    // rectangle may be billions of rows high.
    int64_t rows = 1;
    if (rowBytes > 0 && rowBytes < record.maxSpace)
        rows = std::max<int64_t>(1, std::min<int64_t>(height, (int64_t(record.maxSpace) + rowBytes - 1) / rowBytes));
    record.maxSpace = int32_t(std::min<int64_t>(rows * rowBytes, INT32_MAX));
}

bool FilterPlugin::allocatePixels(const FilterRecord& record, int16_t& result) {
    freePixels();
    const int64_t width = int64_t(record.filterRect.right) - record.filterRect.left;
    const int64_t height = int64_t(record.filterRect.bottom) - record.filterRect.top;
    if (width < 1 || height < 1)
        return true;  // nothing to edit: the session declines to open
    if (width * height > kMaxPixels) {
        result = kResultOutOfMemory;
        return false;
    }
    pixels_ = static_cast<uint32_t*>(std::calloc(size_t(width * height), sizeof(uint32_t)));
    if (!pixels_) {
        result = kResultOutOfMemory;
        return false;
    }
    width_ = int32_t(width);
    height_ = int32_t(height);
    return true;
}

void FilterPlugin::start(FilterRecord& record, ParameterBlock& block, const HostHandles& handles) {
    int16_t& result = *globals_->result;
    block.writeBack = 0;
    if (record.planes < 1 || record.planes > 32 || (record.depth != 8 && record.depth != 16)) {
        result = kResultBadParameters;
        return;
    }
    block.useAdvanceState = record.advanceState && record.displayPixels && !HostIdentity::isPremiere();
    ScriptingParameters(record, handles).read(block, result);
    if (result != kResultOk)
        return;  // the host will not take a result anyway: do not let the user work for nothing
    const HostColourServices colours(record.colorServices);
    mode_ = TransferMode::of(record, colours);
    if (!allocatePixels(record, result))
        return;
    const HostPixelCodec codec(mode_, colours);
    StripTransfer transfer(record, codec, pixels_);
    if (block.useAdvanceState && pixels_) {
        transfer.read(result);
        if (result != kResultOk) {
            block.useAdvanceState = false;
            result = kResultOk;
            std::memset(pixels_, 0, size_t(width_) * size_t(height_) * sizeof(uint32_t));
        }
    }
    const uintptr_t window = record.platformData ? record.platformData->hostWindow : 0;
    // A strip of one row or column is nothing to build a texture in.
    const bool applied = pixels_ && width_ >= 2 && height_ >= 2 && session_ && session_(window, width_, height_, pixels_);
    if (!applied) {
        result = kResultNotApplied;
        freePixels();
        return;
    }
    if (result != kResultOk)
        return;
    if (block.useAdvanceState) {
        transfer.write(result);
    } else {
        block.writeBack = 1;
        transfer.beginContinueWrite();
    }
}

void FilterPlugin::continueWriting(FilterRecord& record, const ParameterBlock& block) {
    int16_t& result = *globals_->result;
    if (result != kResultOk || (record.abortProc && record.abortProc())) {
        result = kResultCancelled;
        StripTransfer::clearRects(record);
        return;
    }
    if (!block.useAdvanceState && block.writeBack == 1 && pixels_) {
        const HostColourServices colours(record.colorServices);
        const HostPixelCodec codec(mode_, colours);
        if (StripTransfer(record, codec, pixels_).continueWrite(result))
            return;
    }
    StripTransfer::clearRects(record);
}

void FilterPlugin::finish(FilterRecord& record, ParameterBlock& block, const HostHandles& handles, intptr_t* data) {
    ScriptingParameters(record, handles).write(block);
    block.writeBack = 0;
    freePixels();
    // The next run starts with fresh globals.
    const auto globalsHandle = reinterpret_cast<Handle>(*data);
    handles.unlock(globalsHandle);
    handles.dispose(globalsHandle);
    *data = 0;
}
