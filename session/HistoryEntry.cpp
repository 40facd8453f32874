#include "session/HistoryEntry.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

bool isAllZero(const PixelBuffer& buffer) {
    const uint32_t* pixels = buffer.pixels();
    return std::all_of(pixels, pixels + buffer.count(), [](uint32_t p) { return p == 0; });
}

qsizetype byteCount(const PixelBuffer& buffer) { return qsizetype(buffer.count()) * 4; }

// Seam records are packed field by field before compression: the first pixels as differences
// from the one before (mostly small), each second pixel as its distance from the first (1 or
// the row length, mostly), and the costs byte plane by byte plane, so that their alike sign
// and exponent bytes sit together. zlib then finds far more to squeeze than in whole records.
constexpr qsizetype kHeaderBytes = 2 * sizeof(uint32_t);
constexpr qsizetype kRecordBytes = 2 * sizeof(uint32_t) + sizeof(double);

template <typename T>
void put(char*& at, T value) {
    std::memcpy(at, &value, sizeof value);
    at += sizeof value;
}

template <typename T>
T take(const char*& at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    at += sizeof value;
    return value;
}

QByteArray packSeams(const SeamSnapshot& seams) {
    const size_t n = seams.rowRecords.size() + seams.columnRecords.size();
    QByteArray packed(kHeaderBytes + qsizetype(n) * kRecordBytes, Qt::Uninitialized);
    char* at = packed.data();
    put(at, uint32_t(seams.rowRecords.size()));
    put(at, uint32_t(seams.columnRecords.size()));
    auto each = [&](auto visit) {
        for (const auto* list : {&seams.rowRecords, &seams.columnRecords})
            for (const SeamRecord& r : *list)
                visit(r);
    };
    uint32_t previous = 0;
    each([&](const SeamRecord& r) {
        put(at, uint32_t(r.first - previous));
        previous = r.first;
    });
    each([&](const SeamRecord& r) { put(at, uint32_t(r.second - r.first)); });
    char* costs = at;
    size_t i = 0;
    each([&](const SeamRecord& r) {
        char bytes[sizeof(double)];
        std::memcpy(bytes, &r.cost, sizeof bytes);
        for (size_t b = 0; b < sizeof bytes; ++b)
            costs[b * n + i] = bytes[b];
        ++i;
    });
    return qCompress(packed);
}

bool unpackSeams(const QByteArray& compressed, SeamSnapshot& seams) {
    const QByteArray packed = qUncompress(compressed);
    if (packed.size() < kHeaderBytes)
        return false;
    const char* at = packed.constData();
    const uint64_t rows = take<uint32_t>(at), columns = take<uint32_t>(at);
    const uint64_t n = rows + columns;
    if (uint64_t(packed.size() - kHeaderBytes) != n * uint64_t(kRecordBytes))
        return false;
    seams.rowRecords.resize(rows);
    seams.columnRecords.resize(columns);
    auto record = [&](uint64_t i) -> SeamRecord& {
        return i < rows ? seams.rowRecords[i] : seams.columnRecords[i - rows];
    };
    uint32_t previous = 0;
    for (uint64_t i = 0; i < n; ++i)
        previous = record(i).first = previous + take<uint32_t>(at);
    for (uint64_t i = 0; i < n; ++i)
        record(i).second = record(i).first + take<uint32_t>(at);
    for (uint64_t i = 0; i < n; ++i) {
        char bytes[sizeof(double)];
        for (size_t b = 0; b < sizeof bytes; ++b)
            bytes[b] = at[b * n + i];
        std::memcpy(&record(i).cost, bytes, sizeof bytes);
    }
    return true;
}

} // namespace

HistoryEntry::HistoryEntry(QByteArray pixels, uint32_t placementCounter, QByteArray seams)
    : pixels_(std::move(pixels)), placementCounter_(placementCounter), seams_(std::move(seams)) {}

std::unique_ptr<HistoryEntry> HistoryEntry::capture(const PixelBuffer& output,
                                                    std::unique_ptr<SynthesizerState> state) {
    if (!state)
        return nullptr;
    try {
        const uint32_t counter = state->placementCounter;
        QByteArray seams = packSeams(state->seams);
        state.reset(); // one copy of the seams less while the pixels are compressed
        if (seams.isEmpty())
            return nullptr;
        QByteArray pixels;
        if (!isAllZero(output)) {
            pixels = qCompress(reinterpret_cast<const uchar*>(output.pixels()), byteCount(output));
            // An empty result would read back as an all-zero output: refuse rather than lie.
            if (pixels.isEmpty())
                return nullptr;
        }
        return std::unique_ptr<HistoryEntry>(new HistoryEntry(std::move(pixels), counter, std::move(seams)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool HistoryEntry::unpackPixels(const PixelBuffer& output, QByteArray& pixels) const {
    try {
        if (pixels_.isEmpty())
            pixels = QByteArray(byteCount(output), '\0');
        else
            pixels = qUncompress(pixels_);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return pixels.size() == byteCount(output);
}

bool HistoryEntry::writePixelsTo(PixelBuffer& output) const {
    QByteArray bytes;
    if (!unpackPixels(output, bytes))
        return false;
    std::memcpy(output.pixels(), bytes.constData(), size_t(bytes.size()));
    return true;
}

std::unique_ptr<SynthesizerState> HistoryEntry::snapshot() const {
    try {
        auto state = std::make_unique<SynthesizerState>();
        state->placementCounter = placementCounter_;
        if (!unpackSeams(seams_, state->seams))
            return nullptr;
        return state;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
