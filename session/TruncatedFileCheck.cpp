#include "session/TruncatedFileCheck.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr qint64 kBmpFileHeaderSize = 14;
constexpr uint32_t kBmpCoreHeaderSize = 12;  // the old header with 16-bit sizes
constexpr uint32_t kBmpInfoHeaderSize = 40;
constexpr qint64 kPsdHeaderSize = 26;

template <typename T>
T littleEndian(const QByteArray& bytes, qint64 offset) {
    return qFromLittleEndian<T>(bytes.constData() + offset);
}

// The compressions whose rows have a fixed length: none, colour masks, colour and alpha masks.
bool hasFixedRows(uint32_t compression) { return compression == 0 || compression == 3 || compression == 6; }

// True when `rows` rows of `rowBytes` do not fit in `available` bytes; divided, since the
// product may overflow.
bool rowsMissing(int64_t available, int64_t rows, int64_t rowBytes) {
    return available < 0 || (rowBytes > 0 && rows > available / rowBytes);
}

bool bmpTruncated(QFile& file) {
    const QByteArray head = file.read(kBmpFileHeaderSize + kBmpInfoHeaderSize);
    if (head.size() < kBmpFileHeaderSize + 4)
        return true;
    const uint32_t infoSize = littleEndian<uint32_t>(head, kBmpFileHeaderSize);
    const bool core = infoSize == kBmpCoreHeaderSize;
    if (head.size() < kBmpFileHeaderSize + qint64(core ? kBmpCoreHeaderSize : kBmpInfoHeaderSize))
        return true;
    int64_t width, height;
    uint32_t bitsPerPixel, compression = 0;
    if (core) {
        width = littleEndian<uint16_t>(head, 18);
        height = littleEndian<uint16_t>(head, 20);
        bitsPerPixel = littleEndian<uint16_t>(head, 24);
    } else {
        width = littleEndian<int32_t>(head, 18);
        height = std::llabs(littleEndian<int32_t>(head, 22));  // negative: rows stored top first
        bitsPerPixel = littleEndian<uint16_t>(head, 28);
        compression = littleEndian<uint32_t>(head, 30);
    }
    if (!hasFixedRows(compression) || width <= 0 || bitsPerPixel == 0 || bitsPerPixel > 32)
        return false;
    const int64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    return rowsMissing(file.size() - littleEndian<uint32_t>(head, 10), height, rowBytes);
}

// Reads a big-endian length field of `size` bytes (4 or 8) and skips that many bytes.
bool skipSection(QFile& file, int size) {
    const QByteArray field = file.read(size);
    if (field.size() != size)
        return false;
    const uint64_t length = size == 8 ? qFromBigEndian<uint64_t>(field.constData()) : qFromBigEndian<uint32_t>(field.constData());
    return length <= uint64_t(file.size() - file.pos()) && file.seek(file.pos() + qint64(length));
}

// Adds up the run-length byte counts that precede the data, one per row and channel.
bool psdRunLengthTruncated(QFile& file, int64_t lines, bool large) {
    const int fieldSize = large ? 4 : 2;
    if (rowsMissing(file.size() - file.pos(), lines, fieldSize))
        return true;
    int64_t data = 0;
    constexpr int64_t kLinesPerRead = 4096;
    for (int64_t done = 0; done < lines; done += kLinesPerRead) {
        const int64_t count = std::min(kLinesPerRead, lines - done);
        const QByteArray counts = file.read(count * fieldSize);
        if (counts.size() != count * fieldSize)
            return true;
        for (int64_t i = 0; i < count; ++i)
            data += large ? qFromBigEndian<uint32_t>(counts.constData() + i * 4)
                          : qFromBigEndian<uint16_t>(counts.constData() + i * 2);
    }
    return data > file.size() - file.pos();
}

bool psdTruncated(QFile& file) {
    const QByteArray head = file.read(kPsdHeaderSize);
    if (head.size() < kPsdHeaderSize)
        return true;
    const bool large = qFromBigEndian<uint16_t>(head.constData() + 4) == 2;  // version 2: PSB
    const int64_t channels = qFromBigEndian<uint16_t>(head.constData() + 12);
    const int64_t height = qFromBigEndian<uint32_t>(head.constData() + 14);
    const int64_t width = qFromBigEndian<uint32_t>(head.constData() + 18);
    const int64_t depth = qFromBigEndian<uint16_t>(head.constData() + 22);
    // Colour mode data, image resources, layers and masks.
    if (!skipSection(file, 4) || !skipSection(file, 4) || !skipSection(file, large ? 8 : 4))
        return true;
    const QByteArray compression = file.read(2);
    if (compression.size() != 2)
        return true;
    const int64_t lines = channels * height;
    switch (qFromBigEndian<uint16_t>(compression.constData())) {
    case 0:
        return rowsMissing(file.size() - file.pos(), lines, (width * depth + 7) / 8);
    case 1:
        return psdRunLengthTruncated(file, lines, large);
    default:
        return false;
    }
}

} // namespace

QString TruncatedFileCheck::truncatedFormat(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray signature = file.peek(4);
    if (signature.startsWith("BM"))
        return bmpTruncated(file) ? QStringLiteral("BMP") : QString();
    if (signature == "8BPS")
        return psdTruncated(file) ? QStringLiteral("PSD") : QString();
    return {};
}
