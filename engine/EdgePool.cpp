#include "engine/EdgePool.h"

namespace {
thread_local EdgePool* currentPool = nullptr;
}

void* EdgePool::allocate() {
    if (next_ == kBlocksPerSlab) {
        ++slab_;
        next_ = 0;
    }
    if (slab_ == slabs_.size()) {
        // operator new[] gives 16-byte alignment; every block keeps it (kBlockSize is a multiple).
        slabs_.push_back(std::unique_ptr<std::byte[]>(new std::byte[kBlockSize * kBlocksPerSlab]));
    }
    void* block = slabs_[slab_].get() + next_ * kBlockSize;
    ++next_;
    ++live_;
    return block;
}

void EdgePool::release(void*) {
    if (--live_ == 0) {
        slab_ = 0;
        next_ = 0;
    }
}

EdgePool::Scope::Scope(EdgePool& pool) : previous_(currentPool) { currentPool = &pool; }
EdgePool::Scope::~Scope() { currentPool = previous_; }

EdgePool* EdgePool::current() { return currentPool; }
