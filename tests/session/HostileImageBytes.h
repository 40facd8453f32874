#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Small image files written byte by byte, among them ones whose headers promise far more than
// they hold, as fuzzing turns them up.

inline void le16(QByteArray& b, uint32_t v) { b.append(char(v & 0xFF)).append(char(v >> 8)); }
inline void le32(QByteArray& b, uint32_t v) { le16(b, v & 0xFFFF), le16(b, v >> 16); }
inline void be16(QByteArray& b, uint32_t v) { b.append(char(v >> 8)).append(char(v & 0xFF)); }
inline void be32(QByteArray& b, uint32_t v) { be16(b, v >> 16), be16(b, v & 0xFFFF); }

// A WBMP of width x height (one bit a pixel) followed by `dataBytes` bytes of pixel data.
inline QByteArray wbmpBytes(uint32_t width, uint32_t height, int dataBytes) {
    const auto multiByte = [](uint32_t v) {
        QByteArray b(1, char(v & 0x7F));
        for (v >>= 7; v != 0; v >>= 7)
            b.prepend(char(0x80 | (v & 0x7F)));
        return b;
    };
    return QByteArray(2, '\0') + multiByte(width) + multiByte(height) + QByteArray(dataBytes, '\0');
}

// An X11 bitmap of width x height with `words` data bytes written out.
inline QByteArray xbmBytes(uint32_t width, uint32_t height, int words) {
    QByteArray text = QStringLiteral("#define a_width %1\n#define a_height %2\nstatic char a_bits[] = {\n")
                          .arg(width)
                          .arg(height)
                          .toLatin1();
    for (int i = 0; i < words; ++i)
        text += "0x00,";
    return text + "};\n";
}

// A DDS file: 32-bit uncompressed, or block-compressed with `fourCc`; `dataBytes` bytes follow
// the 128-byte header.
inline QByteArray ddsBytes(uint32_t width, uint32_t height, const char* fourCc, int dataBytes) {
    QByteArray b("DDS ");
    for (const uint32_t v : {124u, 0x1007u, height, width, 0u, 0u, 0u})
        le32(b, v);
    b += QByteArray(44, '\0');
    le32(b, 32);
    le32(b, fourCc != nullptr ? 0x4 : 0x41);
    b += fourCc != nullptr ? QByteArray(fourCc, 4) : QByteArray(4, '\0');
    le32(b, fourCc != nullptr ? 0 : 32);
    for (const uint32_t v : {0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u, 0x1000u, 0u, 0u, 0u, 0u})
        le32(b, v);
    return b + QByteArray(dataBytes, '\0');
}
