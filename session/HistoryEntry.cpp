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

}  // namespace

HistoryEntry::HistoryEntry(QByteArray pixels, std::unique_ptr<SynthesizerState> snapshot)
    : pixels_(std::move(pixels)), snapshot_(std::move(snapshot)) {}

std::unique_ptr<HistoryEntry> HistoryEntry::capture(const PixelBuffer& output,
                                                    std::unique_ptr<SynthesizerState> snapshot) {
    if (!snapshot)
        return nullptr;
    if (isAllZero(output))
        return std::unique_ptr<HistoryEntry>(new HistoryEntry(QByteArray(), std::move(snapshot)));
    try {
        QByteArray packed = qCompress(reinterpret_cast<const uchar*>(output.pixels()), byteCount(output));
        // An empty result would read back as an all-zero output: refuse rather than lie.
        if (packed.isEmpty())
            return nullptr;
        return std::unique_ptr<HistoryEntry>(new HistoryEntry(std::move(packed), std::move(snapshot)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool HistoryEntry::writePixelsTo(PixelBuffer& output) const {
    if (pixels_.isEmpty()) {
        std::fill(output.pixels(), output.pixels() + output.count(), 0u);
        return true;
    }
    QByteArray bytes;
    try {
        bytes = qUncompress(pixels_);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (bytes.size() != byteCount(output))
        return false;
    std::memcpy(output.pixels(), bytes.constData(), size_t(bytes.size()));
    return true;
}
