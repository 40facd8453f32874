#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// Fixed-size blocks for the seam graph's edge properties, which the graph container allocates
// one by one: hundreds of thousands per paste. A pool that outlives the pastes hands out and
// takes back blocks without going to the heap each time. Not thread-safe: one pool serves the
// thread that builds and destroys the graphs of one workspace.
class EdgePool {
public:
    static constexpr size_t kBlockSize = 64;
    static constexpr size_t kBlocksPerSlab = 2048;

    EdgePool() = default;
    EdgePool(const EdgePool&) = delete;
    EdgePool& operator=(const EdgePool&) = delete;

    // A kBlockSize-byte block, 16-byte aligned. Throws std::bad_alloc when no slab can be had.
    void* allocate();
    // Returns a block of this pool.
    void release(void* block);
    // Blocks handed out and not yet released.
    size_t liveBlocks() const { return live_; }
    // Bytes held in slabs.
    size_t reservedBytes() const { return slabs_.size() * kBlockSize * kBlocksPerSlab; }

    // While a Scope lives, edge properties created on this thread come from `pool`.
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
    struct FreeBlock {
        FreeBlock* next;
    };
    void addSlab();

    FreeBlock* free_ = nullptr;
    std::vector<std::unique_ptr<std::byte[]>> slabs_;
    size_t live_ = 0;
};
