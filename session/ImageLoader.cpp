#include "session/ImageLoader.h"

#include <QFileInfo>
#include <QImageReader>
#include <QSettings>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "chunks/ImageCollection.h"
#include "session/ByteSource.h"
#include "session/ImageFormatTable.h"
#include "session/ImageHeaderCheck.h"
#include "session/SandboxedDecoder.h"
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

ReadResult refusal(const QString& format, const QString& error) { return {QImage(), format, error, true}; }

bool tooManyPixels(QSize size) { return qint64(size.width()) * size.height() > ImageLoader::kMaxPixels; }

QString tooLargeText(qint64 width, qint64 height) {
    return QStringLiteral("The image is %1 x %2 pixels; an input image may have at most %3.")
        .arg(width)
        .arg(height)
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

// The file, opened once so that what is wrong with the path can be said plainly and its header
// read before any reader sees it.
class InputFile {
public:
    explicit InputFile(const QString& path) {
        // Non-blocking, so that a named pipe given as an image cannot stall the open.
        descriptor_ = open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (descriptor_ < 0) {
            problem_ = openProblem(errno);
            return;
        }
        struct stat info {};
        if (fstat(descriptor_, &info) != 0)
            problem_ = QString::fromLocal8Bit(std::strerror(errno));
        else if (!S_ISREG(info.st_mode))  // a pipe, device or folder would block or feed a reader without end
            problem_ = QStringLiteral("It is not a regular file.");
        else if (info.st_size == 0)
            problem_ = QStringLiteral("The file is empty.");
        size_ = info.st_size;
    }
    ~InputFile() {
        if (descriptor_ >= 0)
            close(descriptor_);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Why the file cannot be read at all; empty when it can.
    const QString& problem() const { return problem_; }
    ByteSource bytes() const { return ByteSource::fromFile(descriptor_, size_); }
    qint64 size() const { return size_; }

private:
    static QString openProblem(int error) {
        switch (error) {
        case ENOENT:
            return QStringLiteral("There is no such file.");
        case EACCES:
        case EPERM:
            return QStringLiteral("Permission denied: the file may not be read.");
        case ENOTDIR:
            return QStringLiteral("A part of the path is not a folder.");
        case ELOOP:
            return QStringLiteral("The path has too many symbolic links.");
        case ENAMETOOLONG:
            return QStringLiteral("The path is too long.");
        default:
            return QString::fromLocal8Bit(std::strerror(error));
        }
    }

    int descriptor_ = -1;
    qint64 size_ = 0;
    QString problem_;
};

// Refuses what the header check found wrong; null when nothing was.
std::optional<ReadResult> headerRefusal(const HeaderVerdict& verdict) {
    const QString format = QString::fromStdString(verdict.format);
    switch (verdict.problem) {
    case HeaderVerdict::Problem::TooLarge:
        return refusal(format, tooLargeText(qint64(verdict.width), qint64(verdict.height)));
    case HeaderVerdict::Problem::Truncated:
        return refusal(format, QStringLiteral("The file ends before its pixel data does."));
    case HeaderVerdict::Problem::None:
        break;
    }
    return std::nullopt;
}

// Keeps the toolkit's decoding memory within what one image of the largest allowed size takes
// at 32 bits a pixel, even when the environment lifted the toolkit's own limit; a lower limit
// stays. The previous limit comes back afterwards.
class ToolkitAllocationLimit {
public:
    static constexpr int kMegabytes = int(ImageLoader::kMaxPixels * 4 / (1024 * 1024));

    ToolkitAllocationLimit() : previous_(QImageReader::allocationLimit()) {
        if (previous_ <= 0 || previous_ > kMegabytes)
            QImageReader::setAllocationLimit(kMegabytes);
    }
    ~ToolkitAllocationLimit() { QImageReader::setAllocationLimit(previous_); }
    ToolkitAllocationLimit(const ToolkitAllocationLimit&) = delete;
    ToolkitAllocationLimit& operator=(const ToolkitAllocationLimit&) = delete;

private:
    int previous_;
};

// Formats whose every variant the toolkit reads as well as FreeImage does: when the toolkit
// refuses such a file, it is damaged, and FreeImage's readers for it are the weaker ones.
bool toolkitHasTheLastWord(const QString& extension) {
    static const QStringList kFormats{QStringLiteral("gif"), QStringLiteral("jif"), QStringLiteral("jpe"),
                                      QStringLiteral("jpeg"), QStringLiteral("jpg"), QStringLiteral("mng"),
                                      QStringLiteral("pbm"), QStringLiteral("pgm"), QStringLiteral("png"),
                                      QStringLiteral("ppm"), QStringLiteral("wbmp"), QStringLiteral("xbm"),
                                      QStringLiteral("xpm")};
    return kFormats.contains(extension);
}

// True when decoding an image of `size` would pass the toolkit's allocation limit, so that the
// toolkit would refuse it for memory rather than for damage.
bool beyondToolkitMemory(QSize size, QImage::Format format) {
    const int limit = QImageReader::allocationLimit();
    const qint64 bits = format != QImage::Format_Invalid ? QImage::toPixelFormat(format).bitsPerPixel() : 32;
    return limit > 0 && qint64(size.width()) * size.height() * bits / 8 > qint64(limit) * 1024 * 1024;
}

// The size check comes from the header alone, before any pixel memory. An image too large for
// the toolkit's memory limit, or a file it does not know, is left to FreeImage; a file that the
// toolkit recognises, or whose format it reads completely, but finds damaged is refused here.
ReadResult readWithToolkit(const QString& path) {
    const ToolkitAllocationLimit limit;
    const QString extension = QFileInfo(path).suffix().toLower();
    QImageReader reader(path);
    const QByteArray detected = reader.format();
    if (detected.isEmpty()) {
        if (toolkitHasTheLastWord(extension))
            return refusal(extension.toUpper(), QStringLiteral("The file is damaged or is not in the format its name says."));
        return {};
    }
    const QString format = QString::fromLatin1(detected.toUpper());
    const QSize size = reader.size();
    if (size.isValid() && tooManyPixels(size))
        return refusal(format, tooLargeText(size.width(), size.height()));
    if (size.isValid() && beyondToolkitMemory(size, reader.imageFormat()))
        return {};
    QImage image = reader.read();
    if (image.isNull())
        return reader.error() == QImageReader::UnsupportedFormatError ? ReadResult{}
                                                                       : refusal(format, reader.errorString());
    // Formats that cannot tell their size before decoding are checked once decoded.
    if (tooManyPixels(image.size()))
        return refusal(format, tooLargeText(image.width(), image.height()));
    return {image, {}, {}, false};
}

ReadResult readWithFreeImage(const QString& path, const InputFile& file, const HeaderVerdict& header) {
    const std::vector<int> formats = ImageFormatTable::freeImageFormats(path);
    if (formats.empty())
        return {};
    const auto limits = SandboxedDecoder::Limits::forFile(uint64_t(file.size()), header.width * header.height,
                                                          ImageLoader::kMaxPixels);
    const DecodedImage decoded = SandboxedDecoder::decode(path, formats, ImageLoader::kMaxPixels, limits);
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
    const InputFile file(path);
    if (!file.problem().isEmpty())
        return refusal({}, file.problem());
    const std::string extension = QFileInfo(path).suffix().toLower().toStdString();
    const HeaderVerdict header = ImageHeaderCheck::check(file.bytes(), extension, ImageLoader::kMaxPixels);
    if (const auto refused = headerRefusal(header))
        return *refused;
    ReadResult read = readWithToolkit(path);
    if (!read.image.isNull() || read.refused)
        return read;
    return readWithFreeImage(path, file, header);
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
            const Key key = load(path, outputSize, false).key;
            if (key != ImageCollection::kNoKey)
                keys.push_back(key);
        }
    }
    rememberDirectory(paths);
    return keys;
}

ImageLoader::Loaded ImageLoader::loadFile(const QString& path, QSize outputSize) {
    return load(path, outputSize, true);
}

ImageLoader::Loaded ImageLoader::load(const QString& path, QSize outputSize, bool keepDeep) {
    Loaded loaded;
    try {
        QImage image = readFile(path, outputSize, &loaded.fileSize);
        if (image.isNull())
            return loaded;
        if (isDeep(image.format())) {
            if (keepDeep)
                loaded.deep = image;
            image = std::move(image).convertToFormat(QImage::Format_ARGB32);
            if (image.isNull()) {
                warnings_.warning(cannotOpenText(path, {}, {}));
                return Loaded{};
            }
        }
        if (!stretchAlpha(image)) {
            warnings_.warning(fullyTransparentText(path));
            return Loaded{};
        }
        loaded.key = addImage(std::move(image));
    } catch (const std::bad_alloc&) {
        warnings_.warning(cannotOpenText(path, {}, {}));
        return Loaded{};
    }
    if (loaded.key == ImageCollection::kNoKey)
        return Loaded{};
    return loaded;
}

bool ImageLoader::isDeep(QImage::Format format) {
    return format == QImage::Format_Grayscale16 || QImage::toPixelFormat(format).bitsPerPixel() > 32;
}

QImage ImageLoader::readPicture(const QString& path, QString& failure) {
    ReadResult read;
    try {
        read = readImage(path);
    } catch (const std::bad_alloc&) {
    }
    QImage image = std::move(read.image).convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        failure = cannotOpenText(path, read.format, read.error);
    return image;
}

bool ImageLoader::readableAsInput(const QString& path, QString& failure) {
    const QImage image = readPicture(path, failure);
    if (image.isNull())
        return false;
    if (isFullyTransparent(image)) {
        failure = fullyTransparentText(path);
        return false;
    }
    return true;
}

QImage ImageLoader::readFile(const QString& path, QSize outputSize, QSize* fileSize) {
    if (outputSize.width() < 1 || outputSize.height() < 1)
        return {};
    ReadResult read = readImage(path);
    if (read.image.isNull()) {
        warnings_.warning(cannotOpenText(path, read.format, read.error));
        return {};
    }
    if (fileSize)
        *fileSize = read.image.size();
    const QImage::Format format = isDeep(read.image.format()) ? QImage::Format_RGBA64 : QImage::Format_ARGB32;
    // Converted in place where the toolkit can, so the read copy does not stay beside it.
    QImage image = scaleDown(std::move(read.image).convertToFormat(format), path, outputSize);
    if (image.isNull())  // the toolkit could not allocate a converted copy
        warnings_.warning(cannotOpenText(path, {}, {}));
    return image;
}

QImage ImageLoader::scaleDown(QImage image, const QString& path, QSize outputSize) {
    const Reduction r = reduction(image.size(), outputSize);
    if (r.factor == 1 || image.isNull())
        return image;
    const QImage::Format format = image.format();  // smooth scaling hands back premultiplied pixels
    image = image.scaled(r.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(format);
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
