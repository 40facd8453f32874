#include "host/HostHandles.h"

#include "host/PlatformHandles.h"

HostHandles::HostHandles(const HandleProcs* procs) : procs_(isComplete(procs) ? procs : nullptr) {}

bool HostHandles::isComplete(const HandleProcs* procs) {
    return procs && procs->version == kHandleProcsVersion && procs->count >= kHandleProcsCount && procs->newHandle &&
           procs->disposeHandle && procs->getSize && procs->setSize && procs->lock && procs->unlock &&
           procs->recoverSpace;
}

Handle HostHandles::create(int32_t size) const {
    return procs_ ? procs_->newHandle(size) : PlatformHandles::create(size);
}

void HostHandles::dispose(Handle handle) const {
    if (!handle)
        return;
    if (procs_)
        procs_->disposeHandle(handle);
    else
        PlatformHandles::dispose(handle);
}

int32_t HostHandles::size(Handle handle) const {
    if (!handle)
        return 0;
    return procs_ ? procs_->getSize(handle) : PlatformHandles::size(handle);
}

char* HostHandles::lock(Handle handle, int16_t& error) const {
    if (!handle) {
        error = kResultMissingHandle;
        return nullptr;
    }
    if (!procs_)
        return PlatformHandles::lock(handle, error);
    char* data = procs_->lock(handle, false);
    error = data ? kResultOk : kResultMissingHandle;
    return data;
}

void HostHandles::unlock(Handle handle) const {
    if (handle && procs_)
        procs_->unlock(handle);
}
