#pragma once

#include <cstdint>

#include "host/HostInterface.h"

// The handle operations the module needs: through the host's handle suite when it offers a
// complete one, otherwise through platform handles.
class HostHandles {
public:
    // `procs` may be null.
    explicit HostHandles(const HandleProcs* procs);

    bool usesHostSuite() const { return procs_ != nullptr; }

    // Zero-filled; null when out of memory.
    Handle create(int32_t size) const;
    void dispose(Handle handle) const;
    // Bytes in the handle; 0 for null.
    int32_t size(Handle handle) const;
    // The data, or null with `error` set (-109 for a missing handle).
    char* lock(Handle handle, int16_t& error) const;
    void unlock(Handle handle) const;

    static bool isComplete(const HandleProcs* procs);

private:
    const HandleProcs* procs_;
};
