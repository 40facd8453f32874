#include "apps/StandInHost.h"

#include <cstring>
#include <memory>

#include "host/PlatformHandles.h"

struct ReadDescriptorState {
    std::vector<StandInHost::DescriptorItem> items;
    size_t next = 0;
    bool missing = false;
};

struct WriteDescriptorState {
    std::vector<StandInHost::DescriptorItem> items;
};

namespace {
StandInHost* current = nullptr;
}

// The host's procedures: plain functions over the current host.
struct StandInHostProcs {
    static Handle newHandle(int32_t size) { return PlatformHandles::create(size); }
    static void disposeHandle(Handle h) { PlatformHandles::dispose(h); }
    static int32_t getSize(Handle h) { return PlatformHandles::size(h); }
    static int16_t setSize(Handle h, int32_t size) { return PlatformHandles::resize(h, size); }
    static char* lock(Handle h, bool) {
        int16_t error = 0;
        return PlatformHandles::lock(h, error);
    }
    static void unlock(Handle) {}
    static void recoverSpace(int32_t) {}

    static bool abort() { return current && current->cancelled_; }

    // The strips live in the image itself, so what the filter writes is in place at once.
    static int16_t advanceState() {
        FilterRecord& r = current->record_;
        r.inData = r.inRect.bottom > r.inRect.top ? current->pointAt(r.inRect) : nullptr;
        r.outData = r.outRect.bottom > r.outRect.top ? current->pointAt(r.outRect) : nullptr;
        r.inRowBytes = r.outRowBytes = current->image_.rowBytes();
        return kResultOk;
    }

    static int16_t displayPixels(const void*, const HostRect*, int32_t, int32_t, void*) { return kResultOk; }

    static int16_t colorServices(ColorServicesInfo* info) {
        if (!info || info->infoSize < int32_t(sizeof(ColorServicesInfo)) ||
            info->selector != kColorServicesConvertColor)
            return kResultBadParameters;
        return current->colours_.convert(info->sourceSpace, info->resultSpace, info->colorComponents)
                   ? kResultOk
                   : kResultBadParameters;
    }

    static ReadDescriptorToken openRead(Handle descriptor, DescriptorKey* keys) {
        if (!descriptor)
            return nullptr;
        auto state = std::make_unique<ReadDescriptorState>();
        state->items = StandInHost::decode(descriptor);
        for (DescriptorKey* k = keys; k && *k; ++k) {
            bool found = false;
            for (const auto& item : state->items)
                found = found || item.key == *k;
            state->missing = state->missing || !found;
        }
        return state.release();
    }
    static int16_t closeRead(ReadDescriptorToken token) {
        const bool missing = token && token->missing;
        delete token;
        return missing ? kResultMissingParameter : kResultOk;
    }
    static bool getKey(ReadDescriptorToken token, DescriptorKey* key, DescriptorType* type, int32_t* flags) {
        if (!token || token->next >= token->items.size())
            return false;
        const auto& item = token->items[token->next++];
        *key = item.key;
        *type = item.type;
        *flags = 0;
        return true;
    }
    static const StandInHost::DescriptorItem* item(ReadDescriptorToken token) {
        return token && token->next > 0 ? &token->items[token->next - 1] : nullptr;
    }
    static int16_t getInteger(ReadDescriptorToken token, int32_t* value) {
        const auto* i = item(token);
        if (!i || i->type != kTypeInteger)
            return kResultBadParameters;
        *value = i->integer;
        return kResultOk;
    }
    static int16_t getFloat(ReadDescriptorToken token, double* value) {
        const auto* i = item(token);
        if (!i || i->type != kTypeFloat)
            return kResultBadParameters;
        *value = i->number;
        return kResultOk;
    }
    static int16_t getText(ReadDescriptorToken token, Handle* text) {
        const auto* i = item(token);
        if (!i || i->type != kTypeText)
            return kResultBadParameters;
        *text = PlatformHandles::create(int32_t(i->text.size()));
        if (!*text)
            return kResultOutOfMemory;
        std::memcpy(**text, i->text.data(), i->text.size());
        return kResultOk;
    }

    static WriteDescriptorToken openWrite() { return new WriteDescriptorState; }
    static int16_t closeWrite(WriteDescriptorToken token, Handle* descriptor) {
        *descriptor = StandInHost::encode(token->items);
        delete token;
        return kResultOk;
    }
    static int16_t putInteger(WriteDescriptorToken token, DescriptorKey key, int32_t value) {
        token->items.push_back({key, kTypeInteger, value, 0, {}});
        return kResultOk;
    }
    static int16_t putFloat(WriteDescriptorToken token, DescriptorKey key, const double* value) {
        token->items.push_back({key, kTypeFloat, 0, *value, {}});
        return kResultOk;
    }
    static int16_t putText(WriteDescriptorToken token, DescriptorKey key, Handle text) {
        const int32_t size = PlatformHandles::size(text);
        token->items.push_back({key, kTypeText, 0, 0, std::string(size > 0 ? *text : "", size_t(size))});
        return kResultOk;
    }
};

// Items as key, type, then the value: 4-byte integer, 8-byte double or 4-byte length and text.
Handle StandInHost::encode(const std::vector<DescriptorItem>& items) {
    std::string bytes;
    auto put = [&bytes](const void* p, size_t n) { bytes.append(static_cast<const char*>(p), n); };
    for (const DescriptorItem& item : items) {
        put(&item.key, 4);
        put(&item.type, 4);
        if (item.type == kTypeInteger) {
            put(&item.integer, 4);
        } else if (item.type == kTypeFloat) {
            put(&item.number, 8);
        } else {
            const uint32_t length = uint32_t(item.text.size());
            put(&length, 4);
            bytes += item.text;
        }
    }
    Handle handle = PlatformHandles::create(int32_t(bytes.size()));
    if (handle && !bytes.empty())
        std::memcpy(*handle, bytes.data(), bytes.size());
    return handle;
}

std::vector<StandInHost::DescriptorItem> StandInHost::decode(Handle handle) {
    std::vector<DescriptorItem> items;
    if (!PlatformHandles::isValid(handle))
        return items;
    const char* p = *handle;
    const char* end = p + PlatformHandles::size(handle);
    while (end - p >= 12) {
        DescriptorItem item;
        std::memcpy(&item.key, p, 4);
        std::memcpy(&item.type, p + 4, 4);
        p += 8;
        if (item.type == kTypeFloat) {
            if (end - p < 8)
                break;
            std::memcpy(&item.number, p, 8);
            p += 8;
        } else if (item.type == kTypeInteger) {
            std::memcpy(&item.integer, p, 4);
            p += 4;
        } else {
            uint32_t length;
            std::memcpy(&length, p, 4);
            p += 4;
            if (uint64_t(end - p) < length)
                break;
            item.text.assign(p, length);
            p += length;
        }
        items.push_back(item);
    }
    return items;
}

StandInHost::StandInHost(HostImage& image, Variant variant, const HostColourEngine& colours)
    : image_(image), variant_(variant), colours_(colours) {
    using P = StandInHostProcs;
    handleProcs_ = {kHandleProcsVersion, kHandleProcsCount, P::newHandle, P::disposeHandle, P::getSize,
                    P::setSize, P::lock, P::unlock, P::recoverSpace};
    readProcs_ = {kReadDescriptorProcsVersion, kReadDescriptorProcsCount, P::openRead, P::closeRead, P::getKey,
                  P::getInteger, P::getFloat, P::getText};
    writeProcs_ = {kWriteDescriptorProcsVersion, kWriteDescriptorProcsCount, P::openWrite, P::closeWrite,
                   P::putInteger, P::putFloat, P::putText};
    descriptorParameters_.readDescriptorProcs = &readProcs_;
    descriptorParameters_.writeDescriptorProcs = &writeProcs_;

    record_.imageMode = image.mode().imageMode;
    record_.depth = image.mode().depth;
    record_.planes = int16_t(image.planes());
    image.backgroundColour(colours, record_.backColor);
    record_.filterRect = {0, 0, image.height(), image.width()};
    record_.maxSpace = 64 << 20;
    record_.advanceState = variant.advanceState ? P::advanceState : nullptr;
    record_.displayPixels = P::displayPixels;
    record_.abortProc = P::abort;
    record_.colorServices = variant.colourServices ? P::colorServices : nullptr;
    record_.handleProcs = variant.handleSuite ? &handleProcs_ : nullptr;
    record_.descriptorParameters = variant.descriptors ? &descriptorParameters_ : nullptr;
    record_.platformData = &platform_;
}

StandInHost::~StandInHost() {
    PlatformHandles::dispose(record_.parameters);
    PlatformHandles::dispose(descriptorParameters_.descriptor);
    if (current == this)
        current = nullptr;
}

void* StandInHost::pointAt(const HostRect& rect) const {
    const int bytesPerPixel = image_.planes() * (image_.mode().depth / 8);
    return const_cast<uint8_t*>(image_.row(rect.top)) + size_t(rect.left) * size_t(bytesPerPixel);
}

int16_t StandInHost::call(EntryPointProc entry, int16_t selector, intptr_t& data) {
    current = this;
    int16_t result = kResultOk;
    entry(selector, &record_, &data, &result);
    return result;
}

int16_t StandInHost::run(EntryPointProc entry, uintptr_t hostWindow, Kept& kept) {
    platform_.hostWindow = hostWindow;
    if (!kept.parameters.empty()) {
        record_.parameters = PlatformHandles::create(int32_t(kept.parameters.size()));
        if (record_.parameters)
            std::memcpy(*record_.parameters, kept.parameters.data(), kept.parameters.size());
    }
    if (kept.hasDescriptor)
        descriptorParameters_.descriptor = encode(kept.descriptor);

    intptr_t data = 0;
    int16_t result = kResultOk;
    for (int16_t selector : {kSelectorParameters, kSelectorPrepare, kSelectorStart}) {
        result = call(entry, selector, data);
        if (result != kResultOk)
            break;
    }
    // Continue calls for as long as the filter asks for a rectangle.
    while (result == kResultOk && (record_.outRect.bottom > record_.outRect.top ||
                                   record_.inRect.bottom > record_.inRect.top)) {
        StandInHostProcs::advanceState();
        result = call(entry, kSelectorContinue, data);
    }
    if (result == kResultOk)
        result = call(entry, kSelectorFinish, data);

    if (PlatformHandles::isValid(record_.parameters)) {
        const char* bytes = *record_.parameters;
        kept.parameters.assign(bytes, bytes + PlatformHandles::size(record_.parameters));
    }
    kept.hasDescriptor = descriptorParameters_.descriptor != nullptr;
    kept.descriptor = decode(descriptorParameters_.descriptor);
    return result;
}
