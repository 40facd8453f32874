#pragma once

#include <cstdint>

#include "host/HostInterface.h"

// Handles in plain heap memory, for hosts without a handle suite: a master block holding the
// data pointer, a marker and the size, and one block for the data. The stand-in host uses the
// same handles, so a handle made on either side can be read and disposed on the other.
class PlatformHandles {
public:
    // Zero-filled; null when the memory is not there or `size` is negative.
    static Handle create(int32_t size);
    // Ignores null and foreign handles.
    static void dispose(Handle handle);
    // Bytes in the handle; 0 for a null or foreign handle.
    static int32_t size(Handle handle);
    // The data (null for an empty handle); `error` becomes -109 for a null or foreign handle.
    static char* lock(Handle handle, int16_t& error);
    // Resizes keeping the contents; -108 when the memory is not there, -109 for a bad handle.
    static int16_t resize(Handle handle, int32_t size);
    // True for a handle made by create() and not yet disposed.
    static bool isValid(Handle handle);
};
