#include "engine/SeamGraph.h"

#include <cstdlib>
#include <new>

#include "engine/EdgePool.h"

namespace {

// Each block starts with the pool it came from (null: the heap), so that a graph destroyed
// outside any scope still returns its edges to the right place.
constexpr std::size_t kHeader = EdgePool::kAlignment;

} // namespace

void* SeamEdgeProperties::operator new(std::size_t size) {
    EdgePool* pool = EdgePool::current();
    void* block = pool ? pool->allocate(size + kHeader) : std::malloc(size + kHeader);
    if (!block)
        throw std::bad_alloc();
    *static_cast<EdgePool**>(block) = pool;
    return static_cast<std::byte*>(block) + kHeader;
}

void SeamEdgeProperties::operator delete(void* p) noexcept {
    if (!p)
        return;
    void* block = static_cast<std::byte*>(p) - kHeader;
    if (EdgePool* pool = *static_cast<EdgePool**>(block))
        pool->release(block);
    else
        std::free(block);
}
