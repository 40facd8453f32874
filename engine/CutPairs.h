#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The exhausted edges the solver met, at most one per first vertex u (the end with the
// smaller pixel value), read back in ascending order of u.
class CutPairs {
public:
    static constexpr uint32_t kNone = uint32_t(-1);

    // Forgets every pair and makes room for `vertexCount` first vertices.
    void reset(size_t vertexCount) {
        partner_.assign(vertexCount, kNone);
        capacity_.assign(vertexCount, 0.0);
        count_ = 0;
    }
    // Enters (u, v) with the edge's capacity unless a pair with first vertex u is present.
    void offer(uint32_t u, uint32_t v, double capacity) {
        if (partner_[u] != kNone)
            return;
        partner_[u] = v;
        capacity_[u] = capacity;
        ++count_;
    }
    size_t vertexCount() const { return partner_.size(); }
    size_t size() const { return count_; }
    // The second vertex of u's pair, or kNone.
    uint32_t partner(uint32_t u) const { return partner_[u]; }
    double capacity(uint32_t u) const { return capacity_[u]; }

private:
    std::vector<uint32_t> partner_;
    std::vector<double> capacity_;
    size_t count_ = 0;
};
