#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One remembered seam: two neighbouring output pixels that came from different pastes.
// `second` is the right or lower neighbour of `first`, with wrap-around.
struct SeamRecord {
    uint32_t first = 0;  // output index W * y + x
    uint32_t second = 0; // output index of the right or lower neighbour
    double cost = 0.0;

    bool operator==(const SeamRecord&) const = default;
};

// Every record of a store, by value: row lists in order, then column lists in order.
struct SeamSnapshot {
    std::vector<SeamRecord> rowRecords;
    std::vector<SeamRecord> columnRecords;
    bool operator==(const SeamSnapshot&) const = default;
};

// The seams left in the output, kept per output row (horizontal seams) and per output
// column (vertical seams), each list ordered by `first`, each pair at most once.
class SeamStore {
public:
    // Drops every record and sizes the store to a W x H output.
    void reset(uint32_t width, uint32_t height);

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }

    // Records a seam between two neighbouring output pixels given in either order
    // (coordinates inside the output). A pair already present keeps its first cost.
    // Pixels that are not neighbours (with wrap-around) or lie outside are ignored.
    void addSeam(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2, double cost);

    // The horizontal seam in row y whose first pixel is `first`, or null. The pointer is
    // valid until the store changes.
    SeamRecord* findInRow(uint32_t y, uint32_t first);
    // The vertical seam in column x whose first pixel is `first`, or null.
    SeamRecord* findInColumn(uint32_t x, uint32_t first);
    // The record with exactly this pair, or null.
    SeamRecord* find(uint32_t first, uint32_t second);

    // Removes the record with the same pair from the list that holds it; false if absent.
    bool removeSeam(const SeamRecord& record);

    SeamSnapshot snapshot() const;
    // Replaces every record with those of the snapshot, keeping the current size.
    // Records that do not fit the current size are skipped. All or nothing: throws
    // std::bad_alloc, changing nothing, when memory runs out.
    void restore(const SeamSnapshot& snapshot);

    // Number of stored seams, and read access for reports and tests.
    size_t size() const;
    const std::vector<SeamRecord>& row(uint32_t y) const { return rows_[y]; }
    const std::vector<SeamRecord>& column(uint32_t x) const { return columns_[x]; }

private:
    bool isHorizontal(const SeamRecord& r) const { return r.first / width_ == r.second / width_; }
    std::vector<SeamRecord>& listFor(const SeamRecord& r);
    void insertOrdered(const SeamRecord& r);
    bool fits(const SeamRecord& r) const;

    uint32_t width_ = 0;
    uint32_t height_ = 0;
    std::vector<std::vector<SeamRecord>> rows_;
    std::vector<std::vector<SeamRecord>> columns_;
};
