#pragma once

#include <cstddef>

// While one lives, operator new throws std::bad_alloc for every request of at least
// `fromBytes` bytes, on any thread: memory runs out where a test chooses. Linking this into a
// test program replaces the global operator new with a malloc-based one that is otherwise plain
// and counts its calls.
class AllocationFailure {
public:
    explicit AllocationFailure(size_t fromBytes);
    ~AllocationFailure();
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;

    // Requests refused so far.
    size_t refused() const;
};

// Calls of operator new so far, on every thread.
size_t heapAllocations();
