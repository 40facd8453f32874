#include <gtest/gtest.h>

#include <FreeImage.h>

#include <QBuffer>
#include <QImage>

#include "HostileImageBytes.h"
#include "session/ByteSource.h"
#include "session/ImageHeaderCheck.h"

namespace {

using Problem = HeaderVerdict::Problem;

constexpr int64_t kMaxPixels = int64_t(1) << 26;

QByteArray gif(uint32_t screenWidth, uint32_t screenHeight, uint32_t imageWidth, uint32_t imageHeight) {
    QByteArray b("GIF89a");
    le16(b, screenWidth);
    le16(b, screenHeight);
    b += QByteArray("\x80\x00\x00", 3) + QByteArray(6, '\0');  // two-colour table
    b += QByteArray("\x21\xFE\x03" "abc" "\x00", 7);                  // a comment before the image
    b.append('\x2C');
    for (const uint32_t v : {0u, 0u, imageWidth, imageHeight})
        le16(b, v);
    return b + QByteArray("\x00\x02\x02\x44\x01\x00\x3B", 7);
}

QByteArray iff(uint32_t width, uint32_t height) {
    QByteArray b("FORM");
    be32(b, 40);
    b += "ILBMANNO";
    be32(b, 3);
    b += QByteArray("hi!\0BMHD", 8);
    be32(b, 20);
    be16(b, width);
    be16(b, height);
    return b + QByteArray(16, '\0') + "BODY" + QByteArray(4, '\0');
}

QByteArray mng(uint32_t width, uint32_t height) {
    QByteArray b("\x8AMNG\r\n\x1A\n", 8);
    be32(b, 28);
    b += "MHDR";
    be32(b, width);
    be32(b, height);
    return b + QByteArray(24, '\0');
}

QByteArray tga(uint32_t width, uint32_t height, uint8_t type, int dataBytes) {
    QByteArray b(2, '\0');
    b.append(char(type)).append(QByteArray(9, '\0'));
    le16(b, width);
    le16(b, height);
    b.append('\x18').append('\0');
    return b + QByteArray(dataBytes, '\0');
}

QByteArray saved(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format)) << format;
    return bytes;
}

QByteArray savedWithFreeImage(FREE_IMAGE_FORMAT format, int bitsPerPixel) {
    FIBITMAP* bitmap = FreeImage_Allocate(7, 5, bitsPerPixel);
    FIMEMORY* memory = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(format, bitmap, memory, 0);
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(memory, &data, &size);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    FreeImage_CloseMemory(memory);
    FreeImage_Unload(bitmap);
    return bytes;
}

QImage picture(int width, int height, QImage::Format format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(90, 160, 30));
    return image.convertToFormat(format);
}

HeaderVerdict check(const QByteArray& bytes, const std::string& hint = {}) {
    return ImageHeaderCheck::check(ByteSource::fromMemory(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                                          size_t(bytes.size())),
                                   hint, kMaxPixels);
}

struct Case {
    const char* name;
    QByteArray bytes;
    std::string hint;
    Problem problem;
    std::string format;
    uint64_t width, height;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class HeaderCases : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(HeaderCases, VerdictNamesFormatSizeAndProblem) {
    const Case& c = GetParam();
    const HeaderVerdict verdict = check(c.bytes, c.hint);
    EXPECT_EQ(verdict.problem, c.problem);
    EXPECT_EQ(verdict.format, c.format);
    if (c.problem != Problem::Truncated || c.width != 0) {
        EXPECT_EQ(verdict.width, c.width);
        EXPECT_EQ(verdict.height, c.height);
    }
}

// Files the writers of the toolkit and FreeImage make, and small hand-made ones, must pass with
// their true size: a false alarm here refuses a good picture.
INSTANTIATE_TEST_SUITE_P(
    SoundFiles, HeaderCases,
    ::testing::Values(Case{"Bmp", saved(picture(13, 7, QImage::Format_RGB32), "BMP"), {}, Problem::None, "BMP", 13, 7},
                      Case{"PbmRaw", saved(picture(13, 7, QImage::Format_Mono), "PBM"), {}, Problem::None, "PBMRAW", 13, 7},
                      Case{"PgmRaw", saved(picture(13, 7, QImage::Format_Grayscale8), "PGM"), {}, Problem::None, "PGMRAW", 13, 7},
                      Case{"PpmRaw", saved(picture(13, 7, QImage::Format_RGB32), "PPM"), {}, Problem::None, "PPMRAW", 13, 7},
                      Case{"PbmText", "P1\n# two rows\n3 2\n010101", {}, Problem::None, "PBM", 3, 2},
                      Case{"PpmText", "P3 2 1 255 1 2 3 4 5 6", {}, Problem::None, "PPM", 2, 1},
                      Case{"Xbm", saved(picture(13, 7, QImage::Format_Mono), "XBM"), {}, Problem::None, "XBM", 13, 7},
                      Case{"Wbmp", saved(picture(13, 7, QImage::Format_Mono), "WBMP"), "wbmp", Problem::None, "WBMP", 13, 7},
                      Case{"Targa", savedWithFreeImage(FIF_TARGA, 24), "tga", Problem::None, "TARGA", 7, 5},
                      Case{"Gif", savedWithFreeImage(FIF_GIF, 8), {}, Problem::None, "GIF", 7, 5},
                      Case{"GifWithComment", gif(4, 4, 2, 2), {}, Problem::None, "GIF", 4, 4},
                      Case{"Dds", ddsBytes(4, 2, nullptr, 32), {}, Problem::None, "DDS", 4, 2},
                      Case{"DdsDxt5", ddsBytes(5, 5, "DXT5", 64), {}, Problem::None, "DDS", 5, 5},
                      Case{"Iff", iff(320, 200), {}, Problem::None, "IFF", 320, 200},
                      Case{"Mng", mng(64, 48), {}, Problem::None, "MNG", 64, 48},
                      Case{"UnknownFormat", "just some text", {}, Problem::None, "", 0, 0},
                      Case{"TextWithoutTgaHeader", "just some text", "tga", Problem::None, "", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Headers of hostile files seen in the wild: a few bytes announcing a huge picture.
INSTANTIATE_TEST_SUITE_P(
    HostileFiles, HeaderCases,
    ::testing::Values(Case{"Wbmp28Bytes", wbmpBytes(8000, 8000, 22), "wbmp", Problem::Truncated, "WBMP", 8000, 8000},
                      Case{"Wbmp1KB", wbmpBytes(6700, 6700, 1018), "wbmp", Problem::Truncated, "WBMP", 6700, 6700},
                      Case{"WbmpHugeSides", wbmpBytes(100000, 100000, 10), "wbmp", Problem::TooLarge, "WBMP", 100000, 100000},
                      Case{"WbmpCutInItsSize", QByteArray("\0\0\x81", 3), "wbmp", Problem::Truncated, "WBMP", 0, 0},
                      Case{"Xbm230Bytes", xbmBytes(8000, 8000, 30), {}, Problem::Truncated, "XBM", 8000, 8000},
                      Case{"XbmTooManyDigits", xbmBytes(1234567890, 12, 1), {}, Problem::TooLarge, "XBM", ~uint64_t(0), 12},
                      Case{"Dds128Bytes", ddsBytes(8192, 8192, nullptr, 0), {}, Problem::Truncated, "DDS", 8192, 8192},
                      Case{"DdsDxt1", ddsBytes(4096, 4096, "DXT1", 100), {}, Problem::Truncated, "DDS", 4096, 4096},
                      Case{"DdsHeaderCut", ddsBytes(4, 4, nullptr, 0).left(100), {}, Problem::Truncated, "DDS", 0, 0},
                      Case{"GifHugeImage", gif(16, 16, 65535, 65535), {}, Problem::TooLarge, "GIF", 65535, 65535},
                      Case{"IffHuge", iff(40000, 40000), {}, Problem::TooLarge, "IFF", 40000, 40000},
                      Case{"MngHuge", mng(60000, 60000), {}, Problem::TooLarge, "MNG", 60000, 60000},
                      Case{"PgmRawHeaderOnly", "P5\n8000 8000\n255\n", {}, Problem::Truncated, "PGMRAW", 8000, 8000},
                      Case{"PpmTextCutShort", "P3 3 3 255 1 2 3", {}, Problem::Truncated, "PPM", 3, 3},
                      Case{"PgmCutInHeader", "P5 800", {}, Problem::Truncated, "PGMRAW", 0, 0},
                      Case{"TargaHeaderOnly", tga(10000, 5000, 2, 0), "targa", Problem::Truncated, "TARGA", 10000, 5000},
                      Case{"TargaRunLengthHuge", tga(65535, 65535, 10, 4), "tga", Problem::TooLarge, "TARGA", 65535, 65535},
                      Case{"BmpHuge", [] {
                               QByteArray b = saved(picture(2, 2, QImage::Format_RGB32), "BMP");
                               b.replace(18, 8, QByteArray("\x00\x00\x01\x00\x00\x00\x01\x00", 8));
                               return b;
                           }(), {}, Problem::TooLarge, "BMP", 65536, 65536}),
    [](const auto& info) { return std::string(info.param.name); });
