#include "support/AllocationFailure.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> failFrom{0}; // 0: nothing fails
std::atomic<size_t> refusedCount{0};
std::atomic<size_t> allocationCount{0};

} // namespace

AllocationFailure::AllocationFailure(size_t fromBytes) {
    refusedCount = 0;
    failFrom = fromBytes;
}

AllocationFailure::~AllocationFailure() { failFrom = 0; }

size_t AllocationFailure::refused() const { return refusedCount; }

size_t heapAllocations() { return allocationCount; }

void* operator new(size_t n) {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    const size_t limit = failFrom.load(std::memory_order_relaxed);
    if (limit != 0 && n >= limit) {
        ++refusedCount;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n == 0 ? 1 : n))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
