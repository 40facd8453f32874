// Writes the fuzz targets' seed corpus: one small picture in every format the loader reads that
// the toolkit or FreeImage can write, and hand-made files for the formats neither writes. Each
// file is prefixed with the byte that names its extension (FuzzInput).
//
//   make_fuzz_seeds FOLDER
#include <FreeImage.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>

#include <cstdio>
#include <string>

#include "fuzz/FuzzInput.h"

namespace {

// A small gradient with some transparency, so that alpha handling is reached too.
QImage picture() {
    QImage image(8, 6, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 32, y * 40, 90, x == 0 ? 128 : 255));
    return image;
}

QByteArray saveWithToolkit(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, format) ? bytes : QByteArray();
}

QByteArray saveWithFreeImage(const QImage& image, FREE_IMAGE_FORMAT format, int flags, int bits = 32) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    FIBITMAP* bitmap = FreeImage_ConvertFromRawBits(const_cast<BYTE*>(argb.constBits()), argb.width(), argb.height(),
                                                    int(argb.bytesPerLine()), 32, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK,
                                                    FI_RGBA_BLUE_MASK, TRUE);
    if (bits <= 24) {
        FIBITMAP* converted = FreeImage_ConvertTo24Bits(bitmap);
        FreeImage_Unload(bitmap);
        bitmap = converted;
    }
    if (bits == 8 && bitmap != nullptr) {  // palette formats
        FIBITMAP* converted = FreeImage_ColorQuantize(bitmap, FIQ_WUQUANT);
        FreeImage_Unload(bitmap);
        bitmap = converted;
    }
    FIMEMORY* memory = FreeImage_OpenMemory();
    QByteArray bytes;
    if (bitmap != nullptr && FreeImage_SaveToMemory(format, bitmap, memory, flags)) {
        BYTE* data = nullptr;
        DWORD size = 0;
        FreeImage_AcquireMemory(memory, &data, &size);
        bytes = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    }
    FreeImage_CloseMemory(memory);
    FreeImage_Unload(bitmap);
    return bytes;
}

void le32(QByteArray& b, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        b.append(char((v >> shift) & 0xFF));
}

void le16(QByteArray& b, uint32_t v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

// An uncompressed 32-bit DDS of `image`.
QByteArray dds(const QImage& image) {
    QByteArray b("DDS ");
    for (const uint32_t v : {124u, 0x100Fu, uint32_t(image.height()), uint32_t(image.width()),
                             uint32_t(image.width()) * 4, 0u, 0u})
        le32(b, v);
    b += QByteArray(44, '\0');
    le32(b, 32);
    le32(b, 0x41);
    b += QByteArray(4, '\0');
    le32(b, 32);
    for (const uint32_t v : {0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u, 0x1000u, 0u, 0u, 0u, 0u})
        le32(b, v);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            le32(b, image.pixel(x, y));
    return b;
}

// A 24-bit run-length PCX of `image`.
QByteArray pcx(const QImage& image) {
    const int width = image.width(), height = image.height(), bytesPerLine = (width + 1) / 2 * 2;
    QByteArray b("\x0A\x05\x01\x08", 4);
    for (const int v : {0, 0, width - 1, height - 1, 72, 72})
        le16(b, uint32_t(v));
    b += QByteArray(49, '\0');
    b.append('\x03');
    le16(b, uint32_t(bytesPerLine));
    le16(b, 1);
    b += QByteArray(128 - b.size(), '\0');
    for (int y = 0; y < height; ++y)
        for (const int shift : {16, 8, 0})
            for (int x = 0; x < bytesPerLine; ++x) {
                b.append(char(0xC1));
                b.append(char(x < width ? uint8_t(image.pixel(x, y) >> shift) : 0));
            }
    return b;
}

// An IFF ILBM header and a body of one plane per bit of a 2-colour picture.
QByteArray ilbm(int width, int height) {
    const auto be32 = [](QByteArray& b, uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            b.append(char((v >> shift) & 0xFF));
    };
    const int rowBytes = (width + 15) / 16 * 2;
    QByteArray bmhd;
    bmhd.append(char(width >> 8)).append(char(width)).append(char(height >> 8)).append(char(height));
    bmhd += QByteArray(4, '\0');
    bmhd.append('\x01').append('\0').append('\0').append('\0');  // one plane, no mask, no compression
    bmhd += QByteArray(2, '\0');
    bmhd.append('\x0A').append('\x0B');
    bmhd.append(char(width >> 8)).append(char(width)).append(char(height >> 8)).append(char(height));
    QByteArray cmap("\0\0\0\xFF\xFF\xFF", 6);
    QByteArray body;
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < rowBytes; ++i)
            body.append(char(y % 2 == 0 ? 0xAA : 0x55));
    QByteArray form("ILBM");
    for (const auto& [name, chunk] : {std::pair{"BMHD", bmhd}, std::pair{"CMAP", cmap}, std::pair{"BODY", body}}) {
        form += name;
        be32(form, uint32_t(chunk.size()));
        form += chunk;
    }
    QByteArray file("FORM");
    be32(file, uint32_t(form.size()));
    return file + form;
}

bool writeSeed(const std::string& folder, const std::string& name, const std::string& extension,
               const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        std::fprintf(stderr, "make_fuzz_seeds: could not make %s\n", name.c_str());
        return false;
    }
    const std::string input = FuzzInput::encode(extension, bytes.toStdString());
    QFile file(QString::fromStdString(folder + "/" + name));
    return file.open(QIODevice::WriteOnly) && file.write(input.data(), qint64(input.size())) == qint64(input.size());
}

} // namespace

// FreeImage's writers lose a few bytes on their way; that is not what this program looks for,
// and the fuzz build's leak check would otherwise fail it.
extern "C" const char* __lsan_default_options() { return "detect_leaks=0"; }

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const QImage image = picture();
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const QImage mono = image.convertToFormat(QImage::Format_Mono);
    const QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
    const struct {
        const char* name;
        const char* extension;
        QByteArray bytes;
    } seeds[] = {
        {"picture.png", "png", saveWithToolkit(image, "PNG")},
        {"grey.png", "png", saveWithToolkit(grey, "PNG")},
        {"picture.bmp", "bmp", saveWithToolkit(image, "BMP")},
        {"indexed.bmp", "bmp", saveWithToolkit(indexed, "BMP")},
        {"picture.jpg", "jpg", saveWithToolkit(image, "JPEG")},
        {"picture.ppm", "ppm", saveWithToolkit(image, "PPM")},
        {"grey.pgm", "pgm", saveWithToolkit(grey, "PGM")},
        {"mono.pbm", "pbm", saveWithToolkit(mono, "PBM")},
        {"mono.xbm", "xbm", saveWithToolkit(mono, "XBM")},
        {"picture.xpm", "xpm", saveWithToolkit(indexed, "XPM")},
        {"picture.tif", "tif", saveWithToolkit(image, "TIFF")},
        {"picture.ico", "ico", saveWithToolkit(image, "ICO")},
        {"mono.wbmp", "wbmp", saveWithToolkit(mono, "WBMP")},
        {"picture.webp", "webp", saveWithToolkit(image, "WEBP")},
        {"raw.tga", "tga", saveWithFreeImage(image, FIF_TARGA, TARGA_DEFAULT)},
        {"rle.tga", "tga", saveWithFreeImage(image, FIF_TARGA, TARGA_SAVE_RLE)},
        {"picture.psd", "psd", saveWithFreeImage(image, FIF_PSD, PSD_DEFAULT)},
        {"picture.gif", "gif", saveWithFreeImage(image, FIF_GIF, GIF_DEFAULT, 8)},
        {"picture.dds", "dds", dds(image)},
        {"picture.pcx", "pcx", pcx(image)},
        {"picture.iff", "iff", ilbm(16, 4)},
    };
    bool all = true;
    for (const auto& seed : seeds)
        all = writeSeed(folder, seed.name, seed.extension, seed.bytes) && all;
    return all ? 0 : 1;
}
