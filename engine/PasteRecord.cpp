#include "engine/PasteRecord.h"

#include <new>

namespace {

// A run is one varint: (length - 1) * 4 + the code of its weight. Runs of up to 32 pixels take
// one byte, up to 4096 two.
constexpr uint8_t kWeights[4] = {0, 85, 170, 255};
constexpr int kNoCode = -1;

int codeOf(uint8_t weight) {
    for (int c = 0; c < 4; ++c)
        if (kWeights[c] == weight)
            return c;
    return kNoCode;
}

} // namespace

void PasteRecord::recordWhole(ChunkSource source, const Box& sourceBox, int32_t x, int32_t y) {
    if (!complete_)
        return;
    try {
        entries_.push_back({source, sourceBox, x, y, kWhole});
    } catch (const std::bad_alloc&) {
        complete_ = false;
    }
}

void PasteRecord::appendRun(uint8_t code, uint64_t length) {
    uint64_t value = (length - 1) * 4 + code;
    while (value >= 0x80) {
        runs_.push_back(uint8_t(value | 0x80));
        value >>= 7;
    }
    runs_.push_back(uint8_t(value));
}

void PasteRecord::recordCut(ChunkSource source, const Box& sourceBox, int32_t x, int32_t y,
                            const MaskBuffer& weights) {
    if (!complete_)
        return;
    const size_t rollback = runs_.size();
    try {
        if (weights.width() != sourceBox.width() || weights.height() != sourceBox.height()) {
            complete_ = false;
            return;
        }
        const uint8_t* bytes = weights.bytes();
        const size_t count = weights.count();
        size_t i = 0;
        while (i < count) {
            const int code = codeOf(bytes[i]);
            if (code == kNoCode) {
                runs_.resize(rollback);
                complete_ = false;
                return;
            }
            size_t end = i + 1;
            while (end < count && bytes[end] == bytes[i])
                ++end;
            appendRun(uint8_t(code), end - i);
            i = end;
        }
        entries_.push_back({source, sourceBox, x, y, uint64_t(rollback)});
    } catch (const std::bad_alloc&) {
        runs_.resize(rollback);
        complete_ = false;
    }
}

bool PasteRecord::weights(size_t i, MaskBuffer& out) const {
    if (i >= entries_.size() || entries_[i].runs == kWhole)
        return false;
    const Entry& e = entries_[i];
    out.reset(uint32_t(e.sourceBox.width()), uint32_t(e.sourceBox.height()));
    uint8_t* bytes = out.bytes();
    const size_t count = out.count();
    size_t at = size_t(e.runs);
    for (size_t filled = 0; filled < count;) {
        uint64_t value = 0;
        for (int shift = 0;; shift += 7) {
            const uint8_t b = runs_[at++];
            value |= uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80))
                break;
        }
        const uint8_t weight = kWeights[value & 3];
        for (uint64_t n = (value >> 2) + 1; n > 0 && filled < count; --n)
            bytes[filled++] = weight;
    }
    return true;
}

size_t PasteRecord::memoryBytes() const {
    return entries_.capacity() * sizeof(Entry) + runs_.capacity();
}

void PasteRecord::clear() {
    entries_.clear();
    runs_.clear();
    complete_ = true;
}
