#include "host/ScriptingParameters.h"

#include <algorithm>
#include <cstring>

bool ScriptingParameters::available() const {
    const DescriptorParameters* d = record_.descriptorParameters;
    if (!d || !d->readDescriptorProcs || !d->writeDescriptorProcs)
        return false;
    const ReadDescriptorProcs& r = *d->readDescriptorProcs;
    const WriteDescriptorProcs& w = *d->writeDescriptorProcs;
    return r.version == kReadDescriptorProcsVersion && r.count >= kReadDescriptorProcsCount && r.openRead &&
           r.closeRead && r.getKey && r.getInteger && r.getFloat && r.getText &&
           w.version == kWriteDescriptorProcsVersion && w.count >= kWriteDescriptorProcsCount && w.openWrite &&
           w.closeWrite && w.putInteger && w.putFloat && w.putText;
}

void ScriptingParameters::read(ParameterBlock& block, int16_t& result) const {
    if (!available())
        return;
    const ReadDescriptorProcs& procs = *record_.descriptorParameters->readDescriptorProcs;
    DescriptorKey keys[] = {kMethod, kChunkWidth, kChunkHeight, kJittering, kCovering, kSeed, kPalette, 0};
    ReadDescriptorToken token = procs.openRead(record_.descriptorParameters->descriptor, keys);
    if (!token)
        return;
    DescriptorKey key = 0;
    DescriptorType type = 0;
    int32_t flags = 0;
    while (procs.getKey(token, &key, &type, &flags)) {
        switch (key) {
        case kMethod: procs.getInteger(token, &block.placementMethod); break;
        case kChunkWidth: procs.getInteger(token, &block.chunkWidth); break;
        case kChunkHeight: procs.getInteger(token, &block.chunkHeight); break;
        case kJittering: procs.getInteger(token, &block.jittering); break;
        case kCovering: procs.getInteger(token, &block.coveringFactor); break;
        case kSeed: procs.getFloat(token, &block.randomSeed); break;
        case kPalette: readText(token, block); break;
        default: break;
        }
    }
    const int16_t error = procs.closeRead(token);
    if (error != kResultOk && error != kResultMissingParameter)
        result = error;
}

void ScriptingParameters::readText(ReadDescriptorToken token, ParameterBlock& block) const {
    Handle text = nullptr;
    if (record_.descriptorParameters->readDescriptorProcs->getText(token, &text) != kResultOk || !text)
        return;
    int16_t error = kResultOk;
    const char* data = handles_.lock(text, error);
    if (data)
        block.setPalette(data, size_t(std::max(handles_.size(text), 0)));
    handles_.unlock(text);
    handles_.dispose(text);
}

void ScriptingParameters::write(const ParameterBlock& block) const {
    if (!available())
        return;
    DescriptorParameters& parameters = *record_.descriptorParameters;
    const WriteDescriptorProcs& procs = *parameters.writeDescriptorProcs;
    WriteDescriptorToken token = procs.openWrite();
    if (!token)
        return;
    procs.putInteger(token, kMethod, block.placementMethod);
    procs.putInteger(token, kChunkWidth, block.chunkWidth);
    procs.putInteger(token, kChunkHeight, block.chunkHeight);
    procs.putInteger(token, kJittering, block.jittering);
    procs.putInteger(token, kCovering, block.coveringFactor);
    procs.putFloat(token, kSeed, &block.randomSeed);
    const std::string palette = block.paletteText();
    if (Handle text = handles_.create(int32_t(palette.size()))) {
        int16_t error = kResultOk;
        if (char* data = handles_.lock(text, error)) {
            std::memcpy(data, palette.data(), palette.size());
            handles_.unlock(text);
            procs.putText(token, kPalette, text);
        }
        handles_.dispose(text);
    }
    if (parameters.descriptor) {
        handles_.dispose(parameters.descriptor);
        parameters.descriptor = nullptr;
    }
    procs.closeWrite(token, &parameters.descriptor);
    parameters.recordInfo = 0;
}
