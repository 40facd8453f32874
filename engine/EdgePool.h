#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// Storage for the seam graph's edges: the graph container allocates every edge's properties
// and every vertex's out-edge list separately, hundreds of thousands of small blocks per
// paste. The pool outlives the pastes and hands blocks out in address order from its slabs;
// a graph gives everything back at once when it is cleared, and once nothing is out the pool
// starts again at the first slab. So a paste neither goes to the heap per edge nor chases a
// free list, and neighbouring edges sit side by side.
// Not thread-safe: one pool serves the thread that builds and destroys one workspace's graphs.
class EdgePool {
public:
    static constexpr size_t kAlignment = 16;
    static constexpr size_t kSlabBytes = 128 * 1024;

    EdgePool() = default;
    EdgePool(const EdgePool&) = delete;
    EdgePool& operator=(const EdgePool&) = delete;

    // `bytes` of storage, 16-byte aligned (a block larger than a slab gets a slab of its own,
    // kept for the blocks of later graphs). Throws std::bad_alloc when no slab can be had.
    void* allocate(size_t bytes);
    // Gives a block back; the memory is reused once every block is back.
    void release(void* block);
    // Blocks handed out and not yet given back.
    size_t liveBlocks() const { return live_; }
    // Bytes held in slabs.
    size_t reservedBytes() const;

    // While a Scope lives, graph storage created on this thread comes from `pool`.
    class Scope {
    public:
        explicit Scope(EdgePool& pool);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        EdgePool* previous_;
    };
    // The pool of the innermost Scope on this thread, or null.
    static EdgePool* current();

private:
    struct Oversized {
        std::unique_ptr<std::byte[]> block;
        size_t bytes = 0;
        bool out = false;
    };

    void restart();
    void* allocateOversized(size_t bytes);

    std::vector<std::unique_ptr<std::byte[]>> slabs_;
    std::vector<Oversized> oversized_; // handed out again once everything is back
    size_t oversizedBytes_ = 0;
    size_t slab_ = 0;   // slab of the next block
    size_t offset_ = 0; // its offset in that slab
    size_t live_ = 0;
};

// A standard allocator over the EdgePool current when the allocator is made (the heap when
// there is none), so that containers made inside a Scope keep using that pool.
template <typename T>
class EdgePoolAllocator {
public:
    using value_type = T;
    using propagate_on_container_move_assignment = std::true_type;
    using propagate_on_container_copy_assignment = std::true_type;
    using propagate_on_container_swap = std::true_type;
    using is_always_equal = std::false_type;

    EdgePoolAllocator() noexcept : pool_(EdgePool::current()) {}
    template <typename U>
    EdgePoolAllocator(const EdgePoolAllocator<U>& other) noexcept : pool_(other.pool()) {}

    T* allocate(size_t n) {
        if (pool_)
            return static_cast<T*>(pool_->allocate(n * sizeof(T)));
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, size_t n) noexcept {
        if (pool_)
            pool_->release(p);
        else
            std::allocator<T>().deallocate(p, n);
    }
    EdgePool* pool() const noexcept { return pool_; }

    template <typename U>
    bool operator==(const EdgePoolAllocator<U>& other) const noexcept {
        return pool_ == other.pool();
    }

private:
    EdgePool* pool_;
};
