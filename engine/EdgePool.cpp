#include "engine/EdgePool.h"

namespace {
thread_local EdgePool* currentPool = nullptr;

size_t rounded(size_t bytes) { return (bytes + EdgePool::kAlignment - 1) / EdgePool::kAlignment * EdgePool::kAlignment; }
} // namespace

void* EdgePool::allocate(size_t bytes) {
    bytes = rounded(bytes == 0 ? 1 : bytes);
    ++live_;
    if (bytes > kSlabBytes) {
        try {
            // operator new[] gives 16-byte alignment.
            oversized_.push_back(std::unique_ptr<std::byte[]>(new std::byte[bytes]));
        } catch (...) {
            --live_;
            throw;
        }
        oversizedBytes_ += bytes;
        return oversized_.back().get();
    }
    if (offset_ + bytes > kSlabBytes) {
        ++slab_;
        offset_ = 0;
    }
    if (slab_ == slabs_.size()) {
        try {
            slabs_.push_back(std::unique_ptr<std::byte[]>(new std::byte[kSlabBytes]));
        } catch (...) {
            --live_;
            throw;
        }
    }
    void* block = slabs_[slab_].get() + offset_;
    offset_ += bytes;
    return block;
}

void EdgePool::release(void*) {
    if (--live_ == 0)
        restart();
}

void EdgePool::restart() {
    slab_ = 0;
    offset_ = 0;
    oversized_.clear();
    oversizedBytes_ = 0;
}

size_t EdgePool::reservedBytes() const { return slabs_.size() * kSlabBytes + oversizedBytes_; }

EdgePool::Scope::Scope(EdgePool& pool) : previous_(currentPool) { currentPool = &pool; }
EdgePool::Scope::~Scope() { currentPool = previous_; }

EdgePool* EdgePool::current() { return currentPool; }
