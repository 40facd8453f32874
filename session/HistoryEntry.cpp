#include "session/HistoryEntry.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

#include <zlib.h>

namespace {

// zlib's fastest level: about four times faster than its default on photographic tiles, for
// 2-30 % more bytes. The user waits for it after every paste.
constexpr int kCompressionLevel = 1;
// Blocks small enough for two threads to share the work evenly, large enough that zlib's
// 32 KB window loses nothing at their borders.
constexpr qsizetype kBlockBytes = qsizetype(4) << 20;

// Runs task(0) .. task(count - 1), on this thread and on one more while there is more than one
// task; on this thread alone when no thread can be started. False when any task failed; the
// remaining ones are then skipped. Tasks must not throw.
template <typename Task>
bool runShared(size_t count, const Task& task) {
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (size_t i = next++; i < count && !failed; i = next++)
            if (!task(i))
                failed = true;
    };
    std::thread helper;
    if (count > 1) {
        try {
            helper = std::thread(work);
        } catch (const std::system_error&) {
        } catch (const std::bad_alloc&) {
        }
    }
    work();
    if (helper.joinable())
        helper.join();
    return !failed;
}

// `bytes` compressed into `out`, trimmed to its size. False when memory runs out.
bool deflateInto(const char* bytes, qsizetype size, QByteArray& out) noexcept {
    try {
        uLongf length = compressBound(uLong(size));
        QByteArray packed(qsizetype(length), Qt::Uninitialized);
        if (compress2(reinterpret_cast<Bytef*>(packed.data()), &length, reinterpret_cast<const Bytef*>(bytes),
                      uLong(size), kCompressionLevel) != Z_OK)
            return false;
        packed.resize(qsizetype(length));
        packed.squeeze(); // the bound is about the raw size: kept, it would undo the compression
        out = std::move(packed);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Decompresses `packed` into exactly `size` bytes at `to`; false when it holds more or fewer.
bool inflateInto(const QByteArray& packed, char* to, qsizetype size) noexcept {
    uLongf length = uLongf(size);
    return uncompress(reinterpret_cast<Bytef*>(to), &length, reinterpret_cast<const Bytef*>(packed.constData()),
                      uLong(packed.size())) == Z_OK &&
           length == uLongf(size);
}

size_t blockCount(qsizetype bytes) { return size_t((bytes + kBlockBytes - 1) / kBlockBytes); }

qsizetype blockSize(qsizetype bytes, size_t block) {
    return std::min(kBlockBytes, bytes - qsizetype(block) * kBlockBytes);
}

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
    return packed;
}

bool unpackSeams(const QByteArray& compressed, qsizetype packedBytes, SeamSnapshot& seams) {
    if (packedBytes < kHeaderBytes)
        return false;
    QByteArray packed(packedBytes, Qt::Uninitialized);
    if (!inflateInto(compressed, packed.data(), packedBytes))
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

HistoryEntry::HistoryEntry(std::vector<QByteArray> pixelBlocks, uint32_t placementCounter, QByteArray seams,
                           qsizetype packedSeamBytes)
    : pixelBlocks_(std::move(pixelBlocks)), placementCounter_(placementCounter), seams_(std::move(seams)),
      packedSeamBytes_(packedSeamBytes) {}

std::unique_ptr<HistoryEntry> HistoryEntry::capture(const PixelBuffer& output,
                                                    std::unique_ptr<SynthesizerState> state) {
    if (!state)
        return nullptr;
    try {
        const uint32_t counter = state->placementCounter;
        const QByteArray packedSeams = packSeams(state->seams);
        state.reset(); // one copy of the seams less while the pixels are compressed
        // An all-zero output keeps no blocks.
        const qsizetype bytes = isAllZero(output) ? 0 : byteCount(output);
        const char* pixels = reinterpret_cast<const char*>(output.pixels());
        std::vector<QByteArray> blocks(blockCount(bytes));
        QByteArray seams;
        // Task 0 is the seams, the others the pixel blocks in order.
        const bool packed = runShared(blocks.size() + 1, [&](size_t task) {
            if (task == 0)
                return deflateInto(packedSeams.constData(), packedSeams.size(), seams);
            const size_t block = task - 1;
            return deflateInto(pixels + qsizetype(block) * kBlockBytes, blockSize(bytes, block), blocks[block]);
        });
        if (!packed)
            return nullptr;
        return std::unique_ptr<HistoryEntry>(
            new HistoryEntry(std::move(blocks), counter, std::move(seams), packedSeams.size()));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

qsizetype HistoryEntry::pixelBytes() const {
    qsizetype total = 0;
    for (const QByteArray& block : pixelBlocks_)
        total += block.size();
    return total;
}

bool HistoryEntry::unpackPixels(const PixelBuffer& output, QByteArray& pixels) const {
    const qsizetype bytes = byteCount(output);
    try {
        if (blank()) {
            pixels = QByteArray(bytes, '\0');
            return true;
        }
        if (pixelBlocks_.size() != blockCount(bytes))
            return false;
        pixels = QByteArray(bytes, Qt::Uninitialized);
    } catch (const std::bad_alloc&) {
        return false;
    }
    char* to = pixels.data();
    return runShared(pixelBlocks_.size(), [&](size_t block) {
        return inflateInto(pixelBlocks_[block], to + qsizetype(block) * kBlockBytes, blockSize(bytes, block));
    });
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
        if (!unpackSeams(seams_, packedSeamBytes_, state->seams))
            return nullptr;
        return state;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
