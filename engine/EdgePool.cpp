#include "engine/EdgePool.h"

#include <new>

namespace {
thread_local EdgePool* currentPool = nullptr;
}

void EdgePool::addSlab() {
    // operator new[] gives 16-byte alignment here; every block keeps it (kBlockSize is a multiple).
    std::unique_ptr<std::byte[]> slab(new std::byte[kBlockSize * kBlocksPerSlab]);
    std::byte* base = slab.get();
    for (size_t i = kBlocksPerSlab; i-- > 0;) {
        auto* block = reinterpret_cast<FreeBlock*>(base + i * kBlockSize);
        block->next = free_;
        free_ = block;
    }
    slabs_.push_back(std::move(slab));
}

void* EdgePool::allocate() {
    if (!free_)
        addSlab();
    FreeBlock* block = free_;
    free_ = block->next;
    ++live_;
    return block;
}

void EdgePool::release(void* block) {
    auto* b = static_cast<FreeBlock*>(block);
    b->next = free_;
    free_ = b;
    --live_;
}

EdgePool::Scope::Scope(EdgePool& pool) : previous_(currentPool) { currentPool = &pool; }
EdgePool::Scope::~Scope() { currentPool = previous_; }

EdgePool* EdgePool::current() { return currentPool; }
