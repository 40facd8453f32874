#include "host/PlatformHandles.h"

#include <cstdlib>
#include <cstring>

namespace {

// The data pointer comes first, so *handle is the data as for any host handle.
struct MasterBlock {
    char* data;
    uint32_t marker;
    int32_t size;
};

constexpr uint32_t kMarker = 0x504C4844;  // tells our master blocks from any other memory

MasterBlock* masterOf(Handle handle) {
    auto* master = reinterpret_cast<MasterBlock*>(handle);
    return master && master->marker == kMarker ? master : nullptr;
}

} // namespace

Handle PlatformHandles::create(int32_t size) {
    if (size < 0)
        return nullptr;
    auto* master = static_cast<MasterBlock*>(std::calloc(1, sizeof(MasterBlock)));
    if (!master)
        return nullptr;
    // One byte at least, so that an empty handle still has a data block to lock.
    master->data = static_cast<char*>(std::calloc(size_t(size) + 1, 1));
    if (!master->data) {
        std::free(master);
        return nullptr;
    }
    master->marker = kMarker;
    master->size = size;
    return reinterpret_cast<Handle>(master);
}

void PlatformHandles::dispose(Handle handle) {
    MasterBlock* master = masterOf(handle);
    if (!master)
        return;
    std::free(master->data);
    master->marker = 0;
    std::free(master);
}

int32_t PlatformHandles::size(Handle handle) {
    const MasterBlock* master = masterOf(handle);
    return master ? master->size : 0;
}

char* PlatformHandles::lock(Handle handle, int16_t& error) {
    MasterBlock* master = masterOf(handle);
    if (!master) {
        error = kResultMissingHandle;
        return nullptr;
    }
    error = kResultOk;
    return master->data;
}

int16_t PlatformHandles::resize(Handle handle, int32_t size) {
    MasterBlock* master = masterOf(handle);
    if (!master || size < 0)
        return kResultMissingHandle;
    auto* data = static_cast<char*>(std::realloc(master->data, size_t(size) + 1));
    if (!data)
        return kResultOutOfMemory;
    if (size > master->size)
        std::memset(data + master->size, 0, size_t(size - master->size) + 1);
    master->data = data;
    master->size = size;
    return kResultOk;
}

bool PlatformHandles::isValid(Handle handle) {
    return masterOf(handle) != nullptr;
}
