#include "session/BitmapFileCheck.h"

#include <QFile>
#include <QtEndian>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr qint64 kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // the old header with 16-bit sizes
constexpr uint32_t kInfoHeaderSize = 40;

// The compressions whose rows have a fixed length: none, colour masks, colour and alpha masks.
bool hasFixedRows(uint32_t compression) { return compression == 0 || compression == 3 || compression == 6; }

template <typename T>
T field(const QByteArray& bytes, qint64 offset) {
    return qFromLittleEndian<T>(bytes.constData() + offset);
}

} // namespace

bool BitmapFileCheck::isTruncated(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(kFileHeaderSize + kInfoHeaderSize);
    if (!head.startsWith("BM"))
        return false;
    if (head.size() < kFileHeaderSize + 4)
        return true;
    const uint32_t infoSize = field<uint32_t>(head, kFileHeaderSize);
    const qint64 headersEnd = kFileHeaderSize + qint64(infoSize == kCoreHeaderSize ? kCoreHeaderSize : kInfoHeaderSize);
    if (head.size() < headersEnd)
        return true;

    int64_t width, height;
    uint32_t bitsPerPixel, compression = 0;
    if (infoSize == kCoreHeaderSize) {
        width = field<uint16_t>(head, 18);
        height = field<uint16_t>(head, 20);
        bitsPerPixel = field<uint16_t>(head, 24);
    } else {
        width = field<int32_t>(head, 18);
        height = std::llabs(field<int32_t>(head, 22));  // negative: rows stored top first
        bitsPerPixel = field<uint16_t>(head, 28);
        compression = field<uint32_t>(head, 30);
    }
    if (!hasFixedRows(compression) || width <= 0 || bitsPerPixel == 0 || bitsPerPixel > 32)
        return false;
    const int64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    const int64_t available = file.size() - field<uint32_t>(head, 10);
    return available < 0 || height > available / rowBytes;  // divided: rows x height may overflow
}
