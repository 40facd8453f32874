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
            return allocateOversized(bytes);
        } catch (...) {
            --live_;
            throw;
        }
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

// The smallest free kept block that is large enough, else a new one. A graph's largest
// out-edge lists (the terminals') grow through the same sizes paste after paste, so after the
// first such paste they find their blocks here.
void* EdgePool::allocateOversized(size_t bytes) {
    Oversized* best = nullptr;
    for (Oversized& o : oversized_)
        if (!o.out && o.bytes >= bytes && (!best || o.bytes < best->bytes))
            best = &o;
    if (!best) {
        oversized_.reserve(oversized_.size() + 1);
        // operator new[] gives 16-byte alignment.
        oversized_.push_back({std::unique_ptr<std::byte[]>(new std::byte[bytes]), bytes, false});
        oversizedBytes_ += bytes;
        best = &oversized_.back();
    }
    best->out = true;
    return best->block.get();
}

void EdgePool::release(void*) {
    if (--live_ == 0)
        restart();
}

void EdgePool::restart() {
    slab_ = 0;
    offset_ = 0;
    for (Oversized& o : oversized_)
        o.out = false;
}

size_t EdgePool::reservedBytes() const { return slabs_.size() * kSlabBytes + oversizedBytes_; }

EdgePool::Scope::Scope(EdgePool& pool) : previous_(currentPool) { currentPool = &pool; }
EdgePool::Scope::~Scope() { currentPool = previous_; }

EdgePool* EdgePool::current() { return currentPool; }
