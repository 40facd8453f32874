#include "engine/SeamStore.h"

#include <algorithm>

namespace {

std::vector<SeamRecord>::iterator lowerBound(std::vector<SeamRecord>& list, uint32_t first) {
    return std::lower_bound(list.begin(), list.end(), first,
                            [](const SeamRecord& r, uint32_t f) { return r.first < f; });
}

SeamRecord* findFirst(std::vector<SeamRecord>& list, uint32_t first) {
    auto it = lowerBound(list, first);
    return it != list.end() && it->first == first ? &*it : nullptr;
}

} // namespace

void SeamStore::reset(uint32_t width, uint32_t height) {
    width_ = width;
    height_ = height;
    rows_.assign(height, {});
    columns_.assign(width, {});
}

std::vector<SeamRecord>& SeamStore::listFor(const SeamRecord& r) {
    return isHorizontal(r) ? rows_[r.first / width_] : columns_[r.first % width_];
}

bool SeamStore::fits(const SeamRecord& r) const {
    const uint64_t count = uint64_t(width_) * height_;
    return r.first < count && r.second < count && r.first != r.second;
}

void SeamStore::insertOrdered(const SeamRecord& r) {
    auto& list = listFor(r);
    auto it = lowerBound(list, r.first);
    if (it != list.end() && it->first == r.first && it->second == r.second)
        return;
    list.insert(it, r);
}

namespace {

// Whether two positions along one axis of `size` pixels are neighbours, and if so whether the
// second comes first: the left (upper) one does, except across the wrap, where the one in the
// last column (row) does.
bool neighbourOrder(uint32_t a, uint32_t b, uint32_t size, bool& secondFirst) {
    const bool wrapPair = size > 2 && ((a == size - 1 && b == 0) || (b == size - 1 && a == 0));
    if (wrapPair)
        secondFirst = b == size - 1;
    else if (a + 1 == b || b + 1 == a)
        secondFirst = b < a;
    else
        return false;
    return true;
}

} // namespace

void SeamStore::addSeam(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2, double cost) {
    if (x1 >= width_ || x2 >= width_ || y1 >= height_ || y2 >= height_)
        return;
    bool swap = false;
    if (y1 == y2) {
        if (!neighbourOrder(x1, x2, width_, swap))
            return;
    } else if (x1 != x2 || !neighbourOrder(y1, y2, height_, swap)) {
        return;
    }
    if (swap) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    insertOrdered(SeamRecord{y1 * width_ + x1, y2 * width_ + x2, cost});
}

SeamRecord* SeamStore::findInRow(uint32_t y, uint32_t first) {
    return y < height_ ? findFirst(rows_[y], first) : nullptr;
}

SeamRecord* SeamStore::findInColumn(uint32_t x, uint32_t first) {
    return x < width_ ? findFirst(columns_[x], first) : nullptr;
}

SeamRecord* SeamStore::find(uint32_t first, uint32_t second) {
    SeamRecord key{first, second, 0.0};
    if (!fits(key))
        return nullptr;
    auto& list = listFor(key);
    for (auto it = lowerBound(list, first); it != list.end() && it->first == first; ++it)
        if (it->second == second)
            return &*it;
    return nullptr;
}

bool SeamStore::removeSeam(const SeamRecord& record) {
    if (!fits(record))
        return false;
    auto& list = listFor(record);
    for (auto it = lowerBound(list, record.first); it != list.end() && it->first == record.first; ++it) {
        if (it->second == record.second) {
            list.erase(it);
            return true;
        }
    }
    return false;
}

SeamSnapshot SeamStore::snapshot() const {
    SeamSnapshot s;
    for (const auto& list : rows_)
        s.rowRecords.insert(s.rowRecords.end(), list.begin(), list.end());
    for (const auto& list : columns_)
        s.columnRecords.insert(s.columnRecords.end(), list.begin(), list.end());
    return s;
}

void SeamStore::restore(const SeamSnapshot& snapshot) {
    // Built aside and swapped in, so that running out of memory leaves the store as it was.
    SeamStore next;
    next.reset(width_, height_);
    for (const auto* records : {&snapshot.rowRecords, &snapshot.columnRecords})
        for (const SeamRecord& r : *records)
            if (next.fits(r))
                next.insertOrdered(r);
    rows_.swap(next.rows_);
    columns_.swap(next.columns_);
}

size_t SeamStore::size() const {
    size_t n = 0;
    for (const auto& list : rows_)
        n += list.size();
    for (const auto& list : columns_)
        n += list.size();
    return n;
}
