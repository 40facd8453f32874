#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// Fixed-size blocks for the seam graph's edge properties, which the graph container allocates
// one by one: hundreds of thousands per paste. The pool outlives the pastes and hands blocks
// out in address order from its slabs; a graph gives all its edges back at once when it is
// cleared, and once none is out the pool starts again at the first slab. So a paste neither
// goes to the heap per edge nor chases a free list, and neighbouring edges sit side by side.
// Not thread-safe: one pool serves the thread that builds and destroys the graphs of one
// workspace.
class EdgePool {
public:
    static constexpr size_t kBlockSize = 64;
    static constexpr size_t kBlocksPerSlab = 2048;

    EdgePool() = default;
    EdgePool(const EdgePool&) = delete;
    EdgePool& operator=(const EdgePool&) = delete;

    // A kBlockSize-byte block, 16-byte aligned. Throws std::bad_alloc when no slab can be had.
    void* allocate();
    // Returns a block of this pool; its memory is reused once every block is back.
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
    std::vector<std::unique_ptr<std::byte[]>> slabs_;
    size_t slab_ = 0; // slab of the next block
    size_t next_ = 0; // index of the next block in that slab
    size_t live_ = 0;
};
