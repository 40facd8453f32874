#include "session/ImageHeaderCheck.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "session/ByteSource.h"

namespace {

using Problem = HeaderVerdict::Problem;

constexpr uint64_t kSaturated = std::numeric_limits<uint64_t>::max();

// Sizes computed from untrusted fields saturate instead of wrapping round to something small.
uint64_t times(uint64_t a, uint64_t b) { return a != 0 && b > kSaturated / a ? kSaturated : a * b; }
uint64_t plus(uint64_t a, uint64_t b) { return b > kSaturated - a ? kSaturated : a + b; }
uint64_t ceilDiv(uint64_t a, uint64_t b) { return a / b + (a % b != 0); }

// The first bytes of the file, read once; every field access is bounds-checked.
class Head {
public:
    Head(const ByteSource& source, size_t length) : bytes_(length) { bytes_.resize(source.read(0, bytes_.data(), length)); }

    size_t size() const { return bytes_.size(); }
    bool has(size_t offset, size_t count) const { return offset <= bytes_.size() && count <= bytes_.size() - offset; }
    bool startsWith(const char* signature, size_t length) const {
        return has(0, length) && std::memcmp(bytes_.data(), signature, length) == 0;
    }
    uint8_t u8(size_t at) const { return bytes_[at]; }
    uint32_t le16(size_t at) const { return uint32_t(bytes_[at]) | uint32_t(bytes_[at + 1]) << 8; }
    uint32_t le32(size_t at) const { return le16(at) | le16(at + 2) << 16; }
    uint32_t be16(size_t at) const { return uint32_t(bytes_[at]) << 8 | bytes_[at + 1]; }
    uint32_t be32(size_t at) const { return be16(at) << 16 | be16(at + 2); }
    const char* text() const { return reinterpret_cast<const char*>(bytes_.data()); }

private:
    std::vector<uint8_t> bytes_;
};

// Reads big-endian fields anywhere in the file; false once the file ends.
bool readBigEndian(const ByteSource& source, int64_t at, size_t width, uint64_t& value) {
    std::array<uint8_t, 8> bytes{};
    if (source.read(at, bytes.data(), width) != width)
        return false;
    value = 0;
    for (size_t i = 0; i < width; ++i)
        value = value << 8 | bytes[i];
    return true;
}

// Turns what a parser found into the verdict; `needed` is the least the file must hold.
class Judge {
public:
    Judge(const ByteSource& source, int64_t maxPixels) : fileSize_(uint64_t(source.size())), maxPixels_(maxPixels) {}

    HeaderVerdict truncated(const char* format) const { return {Problem::Truncated, format, 0, 0}; }

    HeaderVerdict sized(const char* format, uint64_t width, uint64_t height, uint64_t needed = 0) const {
        HeaderVerdict verdict{Problem::None, format, width, height};
        if (times(width, height) > uint64_t(maxPixels_))
            verdict.problem = Problem::TooLarge;
        else if (needed > fileSize_)
            verdict.problem = Problem::Truncated;
        return verdict;
    }

    uint64_t fileSize() const { return fileSize_; }

private:
    uint64_t fileSize_;
    int64_t maxPixels_;
};

// --- BMP: rows of fixed length when uncompressed or with colour masks.

HeaderVerdict checkBmp(const Head& head, const Judge& judge) {
    constexpr size_t kFileHeader = 14, kCoreHeader = 12, kInfoHeader = 40;
    if (!head.has(kFileHeader, 4))
        return judge.truncated("BMP");
    const bool core = head.le32(kFileHeader) == kCoreHeader;
    if (!head.has(kFileHeader, core ? kCoreHeader : kInfoHeader))
        return judge.truncated("BMP");
    uint64_t width, height;
    uint32_t bitsPerPixel, compression = 0;
    if (core) {
        width = head.le16(18);
        height = head.le16(20);
        bitsPerPixel = head.le16(24);
    } else {
        const int32_t signedWidth = int32_t(head.le32(18)), signedHeight = int32_t(head.le32(22));
        width = signedWidth > 0 ? uint64_t(signedWidth) : 0;
        height = uint64_t(std::llabs(int64_t(signedHeight)));  // negative: rows stored top first
        bitsPerPixel = head.le16(28);
        compression = head.le32(30);
    }
    const bool fixedRows = compression == 0 || compression == 3 || compression == 6;
    if (!fixedRows || width == 0 || bitsPerPixel == 0 || bitsPerPixel > 32)
        return judge.sized("BMP", width, height);
    const uint64_t rowBytes = ceilDiv(times(width, bitsPerPixel), 32) * 4;
    return judge.sized("BMP", width, height, plus(head.le32(10), times(rowBytes, height)));
}

// --- PSD / PSB: raw or run-length channels after three sections of declared length.

// Adds up the run-length byte counts that precede the data, one per row and channel.
bool psdCountsFit(const ByteSource& source, int64_t& at, uint64_t lines, bool large) {
    const size_t fieldSize = large ? 4 : 2;
    if (times(lines, fieldSize) > uint64_t(source.size() - at))
        return false;
    uint64_t data = 0;
    constexpr uint64_t kLinesPerRead = 4096;
    std::vector<uint8_t> counts(kLinesPerRead * fieldSize);
    for (uint64_t done = 0; done < lines; done += kLinesPerRead) {
        const size_t count = size_t(std::min(kLinesPerRead, lines - done));
        if (source.read(at, counts.data(), count * fieldSize) != count * fieldSize)
            return false;
        at += int64_t(count * fieldSize);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* field = counts.data() + i * fieldSize;
            data += large ? uint32_t(field[0]) << 24 | uint32_t(field[1]) << 16 | uint32_t(field[2]) << 8 | field[3]
                          : uint32_t(field[0]) << 8 | field[1];
        }
    }
    return data <= uint64_t(source.size() - at);
}

HeaderVerdict checkPsd(const ByteSource& source, const Head& head, const Judge& judge) {
    constexpr size_t kHeader = 26;
    if (!head.has(0, kHeader))
        return judge.truncated("PSD");
    const bool large = head.be16(4) == 2;  // version 2: PSB
    const uint64_t channels = head.be16(12), height = head.be32(14), width = head.be32(18), depth = head.be16(22);
    const HeaderVerdict size = judge.sized("PSD", width, height);
    if (size.problem != Problem::None)
        return size;
    // Colour mode data, image resources, layers and masks.
    int64_t at = kHeader;
    for (const size_t lengthSize : {size_t(4), size_t(4), size_t(large ? 8 : 4)}) {
        uint64_t length = 0;
        if (!readBigEndian(source, at, lengthSize, length) || length > uint64_t(source.size() - at - int64_t(lengthSize)))
            return judge.truncated("PSD");
        at += int64_t(lengthSize + length);
    }
    uint64_t compression = 0;
    if (!readBigEndian(source, at, 2, compression))
        return judge.truncated("PSD");
    at += 2;
    const uint64_t lines = times(channels, height);
    if (compression == 0)
        return judge.sized("PSD", width, height, plus(uint64_t(at), times(lines, ceilDiv(times(width, depth), 8))));
    if (compression == 1 && !psdCountsFit(source, at, lines, large))
        return judge.truncated("PSD");
    return size;
}

// --- WBMP: multi-byte sizes, then one bit per pixel, rows padded to bytes.

// A WBMP multi-byte integer: seven bits a byte, high bit set while more follow.
std::optional<uint64_t> multiByte(const Head& head, size_t& at) {
    uint64_t value = 0;
    for (int i = 0; i < 5; ++i) {
        if (!head.has(at, 1))
            return std::nullopt;
        const uint8_t byte = head.u8(at++);
        value = value << 7 | (byte & 0x7F);
        if ((byte & 0x80) == 0)
            return value;
    }
    return std::nullopt;
}

// Skips the extension headers that a set top bit of the fixed header announces.
bool skipWbmpExtensions(const Head& head, size_t& at, uint8_t fixed) {
    if ((fixed & 0x80) == 0)
        return true;
    const bool pairs = (fixed & 0x60) == 0x60;
    for (uint8_t byte = 0x80; (byte & 0x80) != 0;) {
        if (!head.has(at, 1))
            return false;
        byte = head.u8(at++);
        if (pairs)
            at += size_t((byte >> 4) & 0x07) + (byte & 0x0F);
    }
    return true;
}

HeaderVerdict checkWbmp(const Head& head, const Judge& judge) {
    size_t at = 0;
    const std::optional<uint64_t> type = multiByte(head, at);
    if (type && *type != 0)
        return {};  // another WBMP type: not ours to judge
    if (!type || !head.has(at, 1))
        return judge.truncated("WBMP");
    const uint8_t fixed = head.u8(at++);
    if (!skipWbmpExtensions(head, at, fixed))
        return judge.truncated("WBMP");
    const std::optional<uint64_t> width = multiByte(head, at);
    const std::optional<uint64_t> height = width ? multiByte(head, at) : std::nullopt;
    if (!height)
        return judge.truncated("WBMP");
    return judge.sized("WBMP", *width, *height, plus(at, times(ceilDiv(*width, 8), *height)));
}

// --- XBM: C source with #define'd sizes and at least "0," for each data word.

// The number #define'd under a name ending in `suffix`; saturated when it has too many digits
// for any allowed image.
std::optional<uint64_t> definedNumber(const std::string& text, const std::string& suffix) {
    for (size_t at = text.find("#define"); at != std::string::npos; at = text.find("#define", at + 1)) {
        const size_t nameStart = text.find_first_not_of(" \t", at + 7);
        const size_t nameEnd = text.find_first_of(" \t", nameStart);
        const size_t digits = text.find_first_not_of(" \t", nameEnd);
        if (digits == std::string::npos)
            return std::nullopt;
        const std::string name = text.substr(nameStart, nameEnd - nameStart);
        if (name.size() < suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const size_t end = text.find_first_not_of("0123456789", digits);
        if (end == digits || end == std::string::npos)
            return std::nullopt;
        return end - digits > 9 ? kSaturated : std::strtoull(text.c_str() + digits, nullptr, 10);
    }
    return std::nullopt;
}

HeaderVerdict checkXbm(const Head& head, const Judge& judge) {
    const std::string text(head.text(), head.size());
    const bool whole = head.size() == judge.fileSize();
    const size_t open = text.find('{');
    const std::string declarations = text.substr(0, open);
    const std::optional<uint64_t> width = definedNumber(declarations, "_width");
    const std::optional<uint64_t> height = definedNumber(declarations, "_height");
    if (!width || !height)
        return open == std::string::npos && whole ? judge.truncated("XBM") : HeaderVerdict{};
    if (open == std::string::npos)  // the data starts beyond what was read, or never
        return judge.sized("XBM", *width, *height, whole ? kSaturated : 0);
    // The X10 form stores 16-bit words; either way each word takes at least two characters.
    const bool shortWords = declarations.find("short") != std::string::npos;
    const uint64_t words = times(ceilDiv(*width, shortWords ? 16 : 8), *height);
    return judge.sized("XBM", *width, *height, plus(open, times(words, 2)));
}

// --- DDS: block-compressed or uncompressed main image after a 128-byte header.

HeaderVerdict checkDds(const Head& head, const Judge& judge) {
    constexpr size_t kHeader = 128;
    if (!head.has(0, kHeader))
        return judge.truncated("DDS");
    const uint64_t height = head.le32(12), width = head.le32(16);
    const uint32_t flags = head.le32(80), bitCount = head.le32(88);
    const char* fourCc = head.text() + 84;
    uint64_t data = 0;
    if ((flags & 0x4) != 0) {  // compressed, named by a four-character code
        const uint64_t blocks = times(ceilDiv(width, 4), ceilDiv(height, 4));
        if (std::memcmp(fourCc, "DXT1", 4) == 0)
            data = times(blocks, 8);
        else if (std::memcmp(fourCc, "DXT", 3) == 0 && fourCc[3] >= '2' && fourCc[3] <= '5')
            data = times(blocks, 16);
    } else if ((flags & 0x20242) != 0 && bitCount >= 8 && bitCount <= 32) {  // RGB, luminance, alpha
        data = times(ceilDiv(times(width, bitCount), 8), height);
    }
    return judge.sized("DDS", width, height, plus(kHeader, data));
}

// --- GIF: the logical screen, and the first image, which may be larger than the screen.

HeaderVerdict checkGif(const ByteSource& source, const Head& head, const Judge& judge) {
    if (!head.has(0, 13))
        return judge.truncated("GIF");
    uint64_t width = head.le16(6), height = head.le16(8);
    const uint8_t flags = head.u8(10);
    int64_t at = 13 + ((flags & 0x80) != 0 ? 3 * (int64_t(2) << (flags & 0x07)) : 0);
    // Extensions come as labelled chains of sub-blocks; a bounded number of reads is enough to
    // reach the first image of any real file.
    for (int reads = 0; reads < 65536; ++reads) {
        uint8_t introducer = 0;
        if (source.read(at, &introducer, 1) != 1)
            break;
        if (introducer == 0x2C) {
            std::array<uint8_t, 9> descriptor{};
            if (source.read(at + 1, descriptor.data(), descriptor.size()) != descriptor.size())
                break;
            const auto field = [&](size_t i) { return uint64_t(descriptor[i]) | uint64_t(descriptor[i + 1]) << 8; };
            width = std::max(width, field(0) + field(4));
            height = std::max(height, field(2) + field(6));
            break;
        }
        if (introducer != 0x21)
            break;
        at += 2;
        for (uint8_t length = 1; length != 0 && reads < 65536; at += 1 + length, ++reads)
            if (source.read(at, &length, 1) != 1)
                return judge.sized("GIF", width, height);
    }
    return judge.sized("GIF", width, height);
}

// --- IFF (ILBM, PBM): the bitmap header chunk before the body.

HeaderVerdict checkIff(const ByteSource& source, const Judge& judge) {
    int64_t at = 12;
    for (int chunks = 0; chunks < 1000; ++chunks) {
        std::array<uint8_t, 12> chunk{};
        const size_t got = source.read(at, chunk.data(), chunk.size());
        if (got < 8)
            return judge.truncated("IFF");
        const uint64_t length = uint64_t(chunk[4]) << 24 | uint64_t(chunk[5]) << 16 | uint64_t(chunk[6]) << 8 | chunk[7];
        if (std::memcmp(chunk.data(), "BMHD", 4) == 0) {
            if (got < 12)
                return judge.truncated("IFF");
            return judge.sized("IFF", uint64_t(chunk[8]) << 8 | chunk[9], uint64_t(chunk[10]) << 8 | chunk[11]);
        }
        if (std::memcmp(chunk.data(), "BODY", 4) == 0)
            return {};
        at += int64_t(8 + length + (length & 1));
    }
    return {};
}

// --- MNG and JNG: the first chunk holds the frame size.

HeaderVerdict checkPngFamily(const Head& head, const Judge& judge, const char* format, const char* chunk) {
    if (!head.has(8, 16) || std::memcmp(head.text() + 12, chunk, 4) != 0)
        return judge.truncated(format);
    return judge.sized(format, head.be32(16), head.be32(20));
}

// --- PBM, PGM, PPM: text header; binary data of fixed size, or at least a character a sample.

// The next whitespace-separated number of a PNM header, skipping '#' comments.
std::optional<uint64_t> pnmNumber(const Head& head, size_t& at) {
    while (head.has(at, 1)) {
        const char c = char(head.u8(at));
        if (c == '#') {
            while (head.has(at, 1) && head.u8(at) != '\n' && head.u8(at) != '\r')
                ++at;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++at;
        } else {
            break;
        }
    }
    uint64_t value = 0;
    const size_t start = at;
    while (head.has(at, 1) && std::isdigit(head.u8(at))) {
        value = std::min<uint64_t>(value * 10 + (head.u8(at) - '0'), uint64_t(1) << 40);
        ++at;
    }
    if (at == start || !head.has(at, 1))
        return std::nullopt;
    return value;
}

HeaderVerdict checkPnm(const Head& head, const Judge& judge) {
    const int kind = head.u8(1) - '0';  // 1-3 text, 4-6 binary; bitmap, grey, colour
    static const char* const kNames[] = {"PBM", "PGM", "PPM", "PBMRAW", "PGMRAW", "PPMRAW"};
    const char* format = kNames[kind - 1];
    const bool bitmap = kind == 1 || kind == 4;
    size_t at = 2;
    const std::optional<uint64_t> width = pnmNumber(head, at);
    const std::optional<uint64_t> height = width ? pnmNumber(head, at) : std::nullopt;
    const std::optional<uint64_t> maximum = height && !bitmap ? pnmNumber(head, at) : height;
    if (!maximum)  // cut off, or not a number where one belongs
        return at >= head.size() && head.size() == judge.fileSize() ? judge.truncated(format) : HeaderVerdict{};
    ++at;  // the single whitespace character that ends the header
    const uint64_t samples = times(times(*width, *height), kind % 3 == 0 ? 3 : 1);
    uint64_t data;
    if (kind == 4)
        data = times(ceilDiv(*width, 8), *height);
    else if (kind > 4)
        data = times(samples, *maximum > 255 ? 2 : 1);
    else
        data = bitmap ? samples : times(samples, 2) - (samples > 0);  // "0 " per sample, the last unseparated
    return judge.sized(format, *width, *height, plus(at, data));
}

// --- TGA: no signature; the header must make sense before it is judged.

HeaderVerdict checkTga(const Head& head, const Judge& judge) {
    constexpr size_t kHeader = 18;
    if (!head.has(0, kHeader))
        return {};
    const uint8_t idLength = head.u8(0), mapType = head.u8(1), type = head.u8(2), depth = head.u8(16);
    const bool knownType = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
    const bool knownDepth = depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
    if (mapType > 1 || !knownType || !knownDepth)
        return {};
    const uint64_t width = head.le16(12), height = head.le16(14);
    if (type > 3)  // run-length data has no fixed size
        return judge.sized("TARGA", width, height);
    const uint64_t map = mapType == 1 ? uint64_t(head.le16(5)) * ceilDiv(head.u8(7), 8) : 0;
    const uint64_t data = times(times(width, height), ceilDiv(depth, 8));
    return judge.sized("TARGA", width, height, plus(kHeader + idLength + map, data));
}

bool isPnm(const Head& head) { return head.has(0, 2) && head.u8(0) == 'P' && head.u8(1) >= '1' && head.u8(1) <= '6'; }

bool isXbm(const Head& head) {
    size_t at = 0;
    while (head.has(at, 1) && std::isspace(head.u8(at)))
        ++at;
    return head.has(at, 7) && std::memcmp(head.text() + at, "#define", 7) == 0;
}

} // namespace

HeaderVerdict ImageHeaderCheck::check(const ByteSource& bytes, const std::string& formatHint, int64_t maxPixels) {
    // Enough for every fixed header and for the #define lines of a text bitmap.
    const Head head(bytes, 4096);
    const Judge judge(bytes, maxPixels);
    if (head.startsWith("BM", 2))
        return checkBmp(head, judge);
    if (head.startsWith("8BPS", 4))
        return checkPsd(bytes, head, judge);
    if (head.startsWith("DDS ", 4))
        return checkDds(head, judge);
    if (head.startsWith("GIF87a", 6) || head.startsWith("GIF89a", 6))
        return checkGif(bytes, head, judge);
    if (head.startsWith("FORM", 4) && head.has(8, 4) &&
        (std::memcmp(head.text() + 8, "ILBM", 4) == 0 || std::memcmp(head.text() + 8, "PBM ", 4) == 0))
        return checkIff(bytes, judge);
    if (head.startsWith("\x8AMNG\r\n\x1A\n", 8))
        return checkPngFamily(head, judge, "MNG", "MHDR");
    if (head.startsWith("\x8BJNG\r\n\x1A\n", 8))
        return checkPngFamily(head, judge, "JNG", "JHDR");
    if (isPnm(head))
        return checkPnm(head, judge);
    if (isXbm(head))
        return checkXbm(head, judge);
    if (formatHint == "wbmp")
        return checkWbmp(head, judge);
    if (formatHint == "tga" || formatHint == "targa")
        return checkTga(head, judge);
    return {};
}
