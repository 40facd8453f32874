#include "support/AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {

// The benchmarks run on one thread; plain counters keep the allocator's overhead small.
size_t liveBytes = 0;
size_t peakBytes = 0;
size_t allocations = 0;
constexpr size_t kHeader = 16; // keeps the alignment malloc gives

} // namespace

size_t liveHeapBytes() { return liveBytes; }
size_t peakHeapBytes() { return peakBytes; }
void resetPeakHeapBytes() { peakBytes = liveBytes; }
size_t heapAllocations() { return allocations; }

void* operator new(size_t n) {
    void* p = std::malloc(n + kHeader);
    if (!p)
        throw std::bad_alloc();
    *static_cast<size_t*>(p) = n;
    ++allocations;
    liveBytes += n;
    if (liveBytes > peakBytes)
        peakBytes = liveBytes;
    return static_cast<char*>(p) + kHeader;
}

void operator delete(void* p) noexcept {
    if (!p)
        return;
    char* block = static_cast<char*>(p) - kHeader;
    liveBytes -= *reinterpret_cast<size_t*>(block);
    std::free(block);
}

void operator delete(void* p, size_t) noexcept { operator delete(p); }
