#include "session/ImageLoader.h"

#include <QFileInfo>
#include <QImageReader>
#include <QSettings>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "chunks/ImageCollection.h"
#include "session/ImageFormatTable.h"
#include "session/SandboxedDecoder.h"
#include "session/TruncatedFileCheck.h"
#include "session/WarningReporter.h"

namespace {

// A read image, or a null image with what the reader said about the file.
struct ReadResult {
    QImage image;
    QString format;
    QString error;
    // The file was judged from its header; no other reader should try it.
    bool refused = false;
};

bool tooManyPixels(QSize size) { return qint64(size.width()) * size.height() > ImageLoader::kMaxPixels; }

QString tooLargeText(QSize size) {
    return QStringLiteral("The image is %1 x %2 pixels; an input image may have at most %3.")
        .arg(size.width())
        .arg(size.height())
        .arg(ImageLoader::kMaxPixels);
}

QString cannotOpenText(const QString& path, const QString& format, const QString& error) {
    QString detail;
    if (!error.isEmpty() && !format.isEmpty())
        detail = QStringLiteral("<br>Format : '%1'.<br>Error : '%2'.").arg(format, error);
    else if (!error.isEmpty())
        detail = QStringLiteral("<br>Error : '%1'.").arg(error);
    return QStringLiteral("Cannot open '%1' image file.%2").arg(path, detail);
}

// A pipe, device or folder would block the readers or feed them without end.
bool isSomethingElseThanAFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

// The size check comes from the header alone, before any pixel memory; the reader's own
// allocation limit stays in force for formats that cannot tell their size early.
ReadResult readWithToolkit(const QString& path) {
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid() && tooManyPixels(size))
        return {QImage(), QString::fromLatin1(reader.format().toUpper()), tooLargeText(size), true};
    return {reader.read(), {}, {}, false};
}

ReadResult readWithFreeImage(const QString& path) {
    const std::vector<int> formats = ImageFormatTable::freeImageFormats(path);
    if (formats.empty())
        return {};
    const DecodedImage decoded = SandboxedDecoder::decode(path, formats, ImageLoader::kMaxPixels);
    if (decoded.status != DecodedImage::Status::Decoded)
        return {QImage(), QString::fromStdString(decoded.format), QString::fromStdString(decoded.message), false};
    QImage image(int(decoded.width), int(decoded.height), QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), decoded.pixels.data() + size_t(y) * decoded.width, decoded.width * 4);
    return {image, {}, {}, false};
}

ReadResult readImage(const QString& path) {
    const QString truncated = TruncatedFileCheck::truncatedFormat(path);
    if (!truncated.isEmpty())
        return {QImage(), truncated, QStringLiteral("The file ends before its pixel data does."), true};
    ReadResult read = readWithToolkit(path);
    if (!read.image.isNull() || read.refused)
        return read;
    return readWithFreeImage(path);
}

// Halves both sides until the image is smaller than the output in both directions.
struct Reduction {
    QSize size;
    qint64 factor = 1;
};

Reduction reduction(QSize image, QSize output) {
    Reduction r{image, 1};
    while (r.size.width() >= output.width() || r.size.height() >= output.height()) {
        r.size = QSize(r.size.width() / 2, r.size.height() / 2);
        r.factor *= 2;
    }
    r.size = QSize(std::max(r.size.width(), 1), std::max(r.size.height(), 1));
    return r;
}

QString fullyTransparentText(const QString& path) {
    return QStringLiteral("Cannot open '%1' image file. The image is fully transparent !").arg(path);
}

uint32_t largestAlpha(const QImage& image) {
    uint32_t top = 0;
    for (int y = 0; y < image.height() && top < 255; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < image.width() && top < 255; ++x)
            top = std::max(top, row[x] >> 24);
    }
    return top;
}

bool isFullyTransparent(const QImage& image) { return largestAlpha(image) == 0; }

// Stretches the alpha channel so that the largest alpha becomes 255, colours unchanged.
// False when every pixel is fully transparent.
bool stretchAlpha(QImage& image) {
    const uint32_t top = largestAlpha(image);
    if (top == 0)
        return false;
    if (top == 255)
        return true;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = (row[x] & 0x00FFFFFFu) | (((row[x] >> 24) * 255 / top) << 24);
    }
    return true;
}

PixelBuffer toPixelBuffer(const QImage& image) {
    PixelBuffer buffer(uint32_t(image.width()), uint32_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(&buffer.at(0, uint32_t(y)), image.constScanLine(y), size_t(image.width()) * 4);
    return buffer;
}

} // namespace

ImageLoader::ImageLoader(ImageCollection& images, WarningReporter& warnings, QSettings* settings)
    : images_(images), warnings_(warnings), settings_(settings) {}

std::vector<ImageLoader::Key> ImageLoader::loadFiles(const QStringList& paths, QSize outputSize) {
    std::vector<Key> keys;
    // Halving never brings an image below an empty output.
    if (outputSize.width() >= 1 && outputSize.height() >= 1) {
        for (const QString& path : paths) {
            Key key = ImageCollection::kNoKey;
            try {
                key = loadFile(path, outputSize);
            } catch (const std::bad_alloc&) {
                warnings_.warning(cannotOpenText(path, {}, {}));
            }
            if (key != ImageCollection::kNoKey)
                keys.push_back(key);
        }
    }
    rememberDirectory(paths);
    return keys;
}

QImage ImageLoader::readPicture(const QString& path, QString& failure) {
    ReadResult read;
    try {
        read = readImage(path);
    } catch (const std::bad_alloc&) {
    }
    QImage image = std::move(read.image).convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) {
        failure = cannotOpenText(path, read.format, read.error);
        return image;
    }
    if (isFullyTransparent(image)) {
        failure = fullyTransparentText(path);
        return QImage();
    }
    return image;
}

ImageLoader::Key ImageLoader::loadFile(const QString& path, QSize outputSize) {
    if (isSomethingElseThanAFile(path)) {
        warnings_.warning(cannotOpenText(path, {}, QStringLiteral("It is not a regular file.")));
        return ImageCollection::kNoKey;
    }
    ReadResult read = readImage(path);
    if (read.image.isNull()) {
        warnings_.warning(cannotOpenText(path, read.format, read.error));
        return ImageCollection::kNoKey;
    }
    // Converted in place where the toolkit can, so the read copy does not stay beside it.
    QImage image = scaleDown(std::move(read.image).convertToFormat(QImage::Format_ARGB32), path, outputSize);
    if (image.isNull()) {  // the toolkit could not allocate a converted copy
        warnings_.warning(cannotOpenText(path, {}, {}));
        return ImageCollection::kNoKey;
    }
    if (!stretchAlpha(image)) {
        warnings_.warning(fullyTransparentText(path));
        return ImageCollection::kNoKey;
    }
    return addImage(std::move(image));
}

QImage ImageLoader::scaleDown(QImage image, const QString& path, QSize outputSize) {
    const Reduction r = reduction(image.size(), outputSize);
    if (r.factor == 1 || image.isNull())
        return image;
    image = image.scaled(r.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_ARGB32);
    if (!image.isNull())
        warnings_.warning(QStringLiteral("Image '%1' too large, it was scaled down (%2:1).")
                              .arg(QFileInfo(path).fileName(), QString::number(r.factor)));
    return image;
}

ImageLoader::Key ImageLoader::addImage(QImage image) {
    PixelBuffer pixels = toPixelBuffer(image);
    image = QImage();  // one full copy less while the collection copies the buffer
    const Key key = images_.addImage(pixels);
    if (key == ImageCollection::kNoKey)
        return key;
    images_.normaliseProbabilities(-1.0f);
    images_.setCurrent(key);
    return key;
}

void ImageLoader::rememberDirectory(const QStringList& paths) {
    if (settings_ != nullptr && !paths.isEmpty())
        settings_->setValue(QStringLiteral("openPath"), QFileInfo(paths.first()).absolutePath());
}
