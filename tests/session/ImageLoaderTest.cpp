#include <gtest/gtest.h>

#include <FreeImage.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QScopeGuard>
#include <QSettings>
#include <QDir>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <cstdio>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "HostileImageBytes.h"
#include "SessionTestSupport.h"
#include "chunks/ImageCollection.h"
#include "session/FreeImageDecoder.h"
#include "session/ImageFormatTable.h"
#include "session/ImageLoader.h"
#include "session/SandboxedDecoder.h"
#include "support/TextureLoader.h"

namespace {

QString cannotOpen(const QString& path) { return QStringLiteral("Cannot open '%1' image file.").arg(path); }

QByteArray pngChunk(const char* type, const QByteArray& data) {
    QByteArray chunk;
    be32(chunk, uint32_t(data.size()));
    const QByteArray body = QByteArray(type) + data;
    chunk += body;
    be32(chunk, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
    return chunk;
}

// A PNG that is only a header: RGBA, 8 bits, width x height, an empty data chunk.
QByteArray pngHeaderOnly(uint32_t width, uint32_t height) {
    QByteArray header;
    be32(header, width);
    be32(header, height);
    header += QByteArray("\x08\x06\x00\x00\x00", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", {}) + pngChunk("IEND", {});
}

// The 128-byte header of a 24-bit run-length PCX file, without pixels (FreeImage writes no PCX).
QByteArray pcxHeader(uint32_t width, uint32_t height) {
    QByteArray bytes("\x0A\x05\x01\x08", 4);
    for (const uint32_t v : {0u, 0u, width - 1, height - 1, 72u, 72u})
        le16(bytes, v);
    bytes += QByteArray(48 + 1, '\0');
    bytes.append('\x03');
    le16(bytes, (width + 1) / 2 * 2);
    le16(bytes, 1);
    return bytes + QByteArray(128 - bytes.size(), '\0');
}

// A gradient with a distinct top-left corner, so a picture upside down or with red and blue
// swapped does not match.
QImage testPicture(int width, int height, uint8_t alpha = 255) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 255 / width, y * 255 / height, 90, alpha));
    image.setPixel(0, 0, qRgba(250, 10, 20, alpha));
    return image;
}

bool samePixels(const PixelBuffer& loaded, const QImage& expected) {
    if (int(loaded.width()) != expected.width() || int(loaded.height()) != expected.height())
        return false;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (loaded.at(uint32_t(x), uint32_t(y)) != expected.pixel(x, y))
                return false;
    return true;
}


// Runs `body` in a forked child; its exit status, or -1 when it did not exit by itself.
int exitStatusInChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

long vmPeakKb() {
    FILE* status = std::fopen("/proc/self/status", "r");
    long kb = -1;
    char line[256];
    while (status != nullptr && std::fgets(line, sizeof line, status) != nullptr)
        if (std::sscanf(line, "VmPeak: %ld kB", &kb) == 1)
            break;
    if (status != nullptr)
        std::fclose(status);
    return kb;
}

class ImageLoaderTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    QString write(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }

    QString save(const QString& name, const QImage& image) const {
        EXPECT_TRUE(image.save(path(name)));
        return path(name);
    }

    // Saved through FreeImage, e.g. as a run-length TGA or PSD that the toolkit does not read.
    QString viaFreeImage(const QString& name, const QImage& image, FREE_IMAGE_FORMAT format, int flags) const {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        FIBITMAP* bitmap = FreeImage_ConvertFromRawBits(const_cast<BYTE*>(argb.constBits()), argb.width(),
                                                        argb.height(), int(argb.bytesPerLine()), 32, FI_RGBA_RED_MASK,
                                                        FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, TRUE);
        const QByteArray local = QFile::encodeName(path(name));
#if defined(__SANITIZE_ADDRESS__)
        // FreeImage's run-length PSD writer never frees a buffer; the leak checker would blame this test.
        const __lsan::ScopedDisabler libraryLeaks;
#endif
        EXPECT_TRUE(bitmap && FreeImage_Save(format, bitmap, local.constData(), flags)) << local.constData();
        FreeImage_Unload(bitmap);
        return path(name);
    }

    static QByteArray readFile(const QString& name) {
        QFile file(name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    }

    // The first `fraction` of the file at `whole`, under a new name.
    QString truncated(const QString& whole, double fraction) const {
        const QByteArray bytes = readFile(whole);
        return write(QStringLiteral("cut-") + QFileInfo(whole).fileName(), bytes.left(qsizetype(bytes.size() * fraction)));
    }

    std::vector<uint32_t> load(const QStringList& paths, QSize output = QSize(512, 512)) {
        return loader.loadFiles(paths, output);
    }

    const PixelBuffer& pixelsOf(uint32_t key) const { return images.find(key)->pixels(); }

    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    ImageCollection images;
    CollectedWarnings warnings;
    ImageLoader loader{images, warnings, &settings};
};

} // namespace

// Halved until smaller than the output in both sides, never below one pixel; an empty output
// would have the halving loop run forever, so it loads nothing.
TEST_F(ImageLoaderTest, HalvesUntilSmallerThanTheOutputAndSaysByHowMuch) {
    const struct {
        const char* name;
        QSize picture, output, loaded;
        const char* ratio;
    } cases[] = {
        {"wide.png", {512, 300}, {512, 512}, {256, 150}, "2:1"},
        {"fits.png", {511, 511}, {512, 512}, {511, 511}, nullptr},
        {"narrow.png", {40, 2100}, {512, 512}, {5, 262}, "8:1"},  // 2100 needs three halvings
        {"line.png", {64, 1}, {16, 16}, {8, 1}, "8:1"},
    };
    for (const auto& c : cases) {
        warnings.texts.clear();
        const QImage picture = testPicture(c.picture.width(), c.picture.height());
        const std::vector<uint32_t> keys = load({save(c.name, picture)}, c.output);
        ASSERT_EQ(keys.size(), 1u) << c.name;
        const PixelBuffer& pixels = pixelsOf(keys[0]);
        EXPECT_EQ(QSize(int(pixels.width()), int(pixels.height())), c.loaded) << c.name;
        if (c.ratio == nullptr) {
            EXPECT_TRUE(samePixels(pixels, picture)) << c.name;
            EXPECT_TRUE(warnings.texts.isEmpty()) << c.name;
        } else {
            const QString scaled = QStringLiteral("Image '%1' too large, it was scaled down (%2).");
            EXPECT_EQ(warnings.texts, QStringList(scaled.arg(c.name, c.ratio)));
        }
    }
    EXPECT_TRUE(load({path(QStringLiteral("line.png"))}, QSize(0, 16)).empty());

    // A grey photograph without alpha comes in opaque and unchanged.
    const std::vector<uint32_t> keys = load({QString::fromStdString(texturePath("text_01.png"))});
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_TRUE(samePixels(pixelsOf(keys[0]), loadTexture("text_01.png")));
}


TEST_F(ImageLoaderTest, StretchesAlphaSoTheMostOpaquePixelIsOpaque) {
    QImage picture = testPicture(4, 2, 128);
    picture.setPixel(1, 1, qRgba(30, 40, 50, 64));
    picture.setPixel(2, 1, qRgba(30, 40, 50, 0));
    const std::vector<uint32_t> keys = load({save(QStringLiteral("faint.png"), picture)});
    ASSERT_EQ(keys.size(), 1u);
    const PixelBuffer& pixels = pixelsOf(keys[0]);
    EXPECT_EQ(pixels.at(0, 0), makePixel(255, 250, 10, 20));
    EXPECT_EQ(pixels.at(1, 1), makePixel(127, 30, 40, 50));
    EXPECT_EQ(alphaOf(pixels.at(2, 1)), 0u);
    EXPECT_TRUE(warnings.texts.isEmpty());
}

// The directory remembered is the first path's, even when that file fails; a loader
// without settings remembers nothing.
TEST_F(ImageLoaderTest, EachImageBecomesCurrentWithItsShareAndTheFirstDirectoryIsRemembered) {
    QTemporaryDir other;
    const QString missing = other.filePath(QStringLiteral("missing.png"));
    const QString first = save(QStringLiteral("a.png"), testPicture(8, 8));
    const QString second = save(QStringLiteral("b.png"), testPicture(6, 6));
    EXPECT_EQ(load({missing, first, second}), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(images.currentKey(), 2u);
    for (const auto& [key, image] : images.images())
        EXPECT_FLOAT_EQ(image->chunk(0)->probability, 0.5f);
    EXPECT_EQ(settings.value(QStringLiteral("openPath")).toString(), other.path());

    ImageLoader withoutSettings(images, warnings);
    withoutSettings.loadFiles({first}, QSize(64, 64));
    EXPECT_EQ(settings.value(QStringLiteral("openPath")).toString(), other.path());
}

// Files the toolkit does not read (run-length TGA and PSD) come through FreeImage top row
// first, with their colours and alpha; an alpha channel that is 0 everywhere counts as none.
// So does a picture the toolkit may not decode within its memory limit: that is no damaged
// file. A tiny limit stands in for a huge picture.
TEST_F(ImageLoaderTest, FilesTheToolkitDoesNotReadComeThroughFreeImageWithRowsColoursAndAlpha) {
    QImage withAlpha = testPicture(24, 16);
    withAlpha.setPixel(5, 9, qRgba(1, 2, 3, 40));
    const QString tga = viaFreeImage(QStringLiteral("alpha.tga"), withAlpha, FIF_TARGA, TARGA_SAVE_RLE);
    ASSERT_TRUE(QImage(tga).isNull()) << "the toolkit reads this file itself";
    const struct {
        QString file;
        QImage expected;
    } cases[] = {
        {tga, withAlpha},
        {viaFreeImage(QStringLiteral("zero.tga"), testPicture(10, 6, 0), FIF_TARGA, TARGA_SAVE_RLE),
         testPicture(10, 6)},
        {viaFreeImage(QStringLiteral("picture.psd"), withAlpha, FIF_PSD, PSD_RLE), withAlpha},
        {save(QStringLiteral("large.png"), testPicture(700, 500)), testPicture(700, 500)},
    };
    const auto restore = qScopeGuard([previous = QImageReader::allocationLimit()] {
        QImageReader::setAllocationLimit(previous);
    });
    QImageReader::setAllocationLimit(1);
    for (const auto& c : cases) {
        const std::vector<uint32_t> keys = load({c.file}, QSize(1024, 1024));
        ASSERT_EQ(keys.size(), 1u) << c.file.toStdString() << warnings.texts.join('\n').toStdString();
        EXPECT_TRUE(samePixels(pixelsOf(keys[0]), c.expected)) << c.file.toStdString();
    }
}

// Float and 16-bit grey bitmaps have no direct 32-bit conversion; they are tone-mapped or
// scaled to 8 bits first.
TEST_F(ImageLoaderTest, HighDynamicRangeFileLoadsToneMapped) {
    FIBITMAP* radiance = FreeImage_AllocateT(FIT_RGBF, 8, 4);
    for (unsigned line = 0; line < 4; ++line) {  // line 0 is the bottom row
        auto* texels = reinterpret_cast<FIRGBF*>(FreeImage_GetScanLine(radiance, int(line)));
        for (unsigned x = 0; x < 8; ++x)
            texels[x] = FIRGBF{0.25f * float(x), 0.5f * float(line), 0.5f};
    }
    const QString hdr = path(QStringLiteral("light.hdr"));
    ASSERT_TRUE(FreeImage_Save(FIF_HDR, radiance, QFile::encodeName(hdr).constData(), 0));
    FreeImage_Unload(radiance);

    const std::vector<uint32_t> keys = load({hdr});
    ASSERT_EQ(keys.size(), 1u) << warnings.texts.join('\n').toStdString();
    const PixelBuffer& pixels = pixelsOf(keys[0]);
    ASSERT_EQ(pixels.width(), 8u);
    EXPECT_EQ(alphaOf(pixels.at(3, 2)), 255u);
    EXPECT_LT(redOf(pixels.at(0, 0)), redOf(pixels.at(7, 0)));
    EXPECT_GT(greenOf(pixels.at(0, 0)), greenOf(pixels.at(0, 3)));  // the brightest green on top
}

// Each unusable file is skipped with its reason in the loader's own words, and the good file
// after them loads. Huge headers are refused before decoding (one per verdict; the header check's
// tests hold the formats). Should the pipe be opened after all, a watchdog ends it so that the
// test fails instead of hanging.
TEST_F(ImageLoaderTest, RefusedFilesAreSkippedWithTheirReasonAndTheRestOfTheListLoads) {
    const QImage picture = testPicture(64, 48);
    const QString pipe = path(QStringLiteral("pipe.png"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    // Without an error of the loader's own, the reader's message follows in the library's words.
    const auto reason = [](const char* format, const QString& error = {}) {
        const QString text = format == nullptr
            ? QStringLiteral("<br>Error : '")
            : QStringLiteral("<br>Format : '%1'.<br>Error : '").arg(format);
        return error.isEmpty() ? text : text + error + QStringLiteral("'.");
    };
    const QString damaged = QStringLiteral("The file is damaged or is not in the format its name says.");
    const QString cutShort = QStringLiteral("The file ends before its pixel data does.");
    const QString tooLarge =
        QStringLiteral("The image is 60000 x 60000 pixels; an input image may have at most 67108864.");
    const QString notAFile = QStringLiteral("It is not a regular file.");
    const struct {
        QString file;
        QString tail;  // what follows "Cannot open 'FILE' image file."
    } refused[] = {
        {write(QStringLiteral("notes.xyz"), "no picture in here\n"), {}},
        {save(QStringLiteral("clear.png"), testPicture(8, 8, 0)), " The image is fully transparent !"},
        {truncated(save(QStringLiteral("p.png"), picture), 0.5), reason("PNG")},
        {truncated(viaFreeImage("p.tga", picture, FIF_TARGA, TARGA_SAVE_RLE), 0.5), reason("TARGA")},
        {truncated(save(QStringLiteral("p.bmp"), picture), 0.66), reason("BMP", cutShort)},
        {truncated(viaFreeImage("p.psd", picture, FIF_PSD, PSD_RLE), 0.5), reason("PSD", cutShort)},
        {write("counts.psd", readFile(path("p.psd")).left(200)), reason("PSD", cutShort)},  // in the row counts
        // The toolkit reads every XBM there is; FreeImage's reader would spin on this one.
        {write(QStringLiteral("garbage.xbm"),
               "#define a_width 16\n#define a_height 2\nstatic char a_bits[] = {zz,zz,zz,zz};\n"),
         reason("XBM", damaged)},
        {write(QStringLiteral("empty.png"), {}), reason(nullptr, QStringLiteral("The file is empty."))},
        {path(QStringLiteral("not-there.png")), reason(nullptr, QStringLiteral("There is no such file."))},
        {write(QStringLiteral("stall.wbmp"), wbmpBytes(8000, 8000, 22)), reason("WBMP", cutShort)},
        {write(QStringLiteral("huge.png"), pngHeaderOnly(60000, 60000)), reason("PNG", tooLarge)},
        {write(QStringLiteral("huge.pcx"), pcxHeader(60000, 60000)), reason("PCX", tooLarge)},
        {pipe, reason(nullptr, notAFile)},
        {path(QStringLiteral("folder.png")), reason(nullptr, notAFile)},
        {QStringLiteral("/dev/zero"), reason(nullptr, notAFile)},
    };
    QStringList paths, expected;
    for (const auto& file : refused) {
        paths.append(file.file);
        expected.append(cannotOpen(file.file) + file.tail);
    }
    paths.append(save(QStringLiteral("good.bmp"), picture));
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 100 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!done)
            ::close(::open(QFile::encodeName(pipe).constData(), O_RDWR));
    });

    const std::vector<uint32_t> keys = load(paths);
    done = true;
    watchdog.join();

    ASSERT_EQ(keys.size(), 1u);
    EXPECT_TRUE(samePixels(pixelsOf(keys[0]), picture));
    ASSERT_EQ(warnings.texts.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const QString& text = warnings.texts[i];
        if (expected[i].endsWith('\''))
            EXPECT_TRUE(text.startsWith(expected[i]) && text.size() > expected[i].size() + 2)
                << text.toStdString();
        else
            EXPECT_EQ(text.toStdString(), expected[i].toStdString());
    }
}


// Decodes in a child process so that a decoder that does allocate cannot take the test machine's
// memory: outside sanitizer builds the child may not map more than 512 MiB beyond its start.
TEST_F(ImageLoaderTest, OversizedHeaderIsRefusedBeforePixelMemoryIsAllocated) {
    const QString pcxFile = write(QStringLiteral("huge.pcx"), pcxHeader(60000, 60000));
    const std::string local = QFile::encodeName(pcxFile).toStdString();
    EXPECT_EQ(exitStatusInChild([&] {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
                  const rlim_t cap = rlim_t(vmPeakKb()) * 1024 + (rlim_t(512) << 20);
                  const rlimit limit{cap, cap};
                  setrlimit(RLIMIT_AS, &limit);
#endif
                  const long before = vmPeakKb();
                  const DecodedImage decoded = FreeImageDecoder::decode(local, {FIF_PCX}, ImageLoader::kMaxPixels);
                  const bool refused = decoded.status == DecodedImage::Status::TooLarge && decoded.format == "PCX";
                  return refused && vmPeakKb() - before < 64 * 1024 ? 0 : 1;
              }),
              0);
}

// Reading a file is refused in the loader's own words when the user may not read it. Run in
// a child that drops root's rights, which would otherwise read anything.
TEST_F(ImageLoaderTest, FileThatMayNotBeReadSaysPermissionDenied) {
    const QString secret = save(QStringLiteral("secret.png"), testPicture(8, 8));
    ASSERT_EQ(chmod(QFile::encodeName(secret).constData(), 0), 0);
    const QString expected = cannotOpen(secret) + "<br>Error : 'Permission denied: the file may not be read.'.";
    EXPECT_EQ(exitStatusInChild([&] {
                  if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                      return 2;
                  ImageLoader(images, warnings).loadFiles({secret}, QSize(64, 64));
                  return warnings.texts == QStringList(expected) ? 0 : 1;
              }),
              0);
}

TEST(ImageFormatTable, CandidatesComeFromTheExtensionInAnyCase) {
    EXPECT_EQ(ImageFormatTable::freeImageFormats(QStringLiteral("/x/Scan.PGM")), (std::vector<int>{FIF_PGM, FIF_PGMRAW}));
    EXPECT_EQ(ImageFormatTable::freeImageFormats(QStringLiteral("a.targa")), (std::vector<int>{FIF_TARGA}));
    EXPECT_EQ(ImageFormatTable::freeImageFormats(QStringLiteral("a.lbm")), (std::vector<int>{FIF_LBM}));
    EXPECT_TRUE(ImageFormatTable::freeImageFormats(QStringLiteral("a.webp")).empty());
    EXPECT_TRUE(ImageFormatTable::freeImageFormats(QStringLiteral("png")).empty());
}

TEST(ImageFormatTable, DialogFilterListsToolkitFormatsThenTheRestOfTheTableOnce) {
    const QString filter = ImageFormatTable::dialogFilter({"PNG", "webp", "jpg"});
    EXPECT_TRUE(filter.startsWith(QStringLiteral("Images (*.jpg *.png *.webp *.bmp *.cut *.dds *.gif *.hdr")));
    EXPECT_TRUE(filter.endsWith(QStringLiteral("*.wbmp *.xbm *.xpm)")));
    EXPECT_EQ(filter.count(QStringLiteral("*.png")), 1);
    EXPECT_EQ(filter.count(QStringLiteral("*.jpg")), 1);
}

namespace {

SandboxedDecoder::Limits smallFile() { return SandboxedDecoder::Limits::forFile(1000, 0, ImageLoader::kMaxPixels); }

DecodedImage decodedPixels(uint32_t width, uint32_t height) {
    DecodedImage image;
    image.status = DecodedImage::Status::Decoded;
    image.width = width;
    image.height = height;
    image.pixels.resize(size_t(width) * height);
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = uint32_t(i * 2654435761u);
    return image;
}

} // namespace

TEST(SandboxedDecoder, HandsBackTheChildsImageIntact) {
    const DecodedImage sent = decodedPixels(300, 200);  // larger than a pipe holds at once
    const DecodedImage got = SandboxedDecoder::run([&] { return sent; }, 60000, "X", smallFile());
    EXPECT_EQ(got.status, DecodedImage::Status::Decoded);
    EXPECT_EQ(got.width, 300u);
    EXPECT_EQ(got.height, 200u);
    EXPECT_EQ(got.pixels, sent.pixels);

    DecodedImage refused;
    refused.status = DecodedImage::Status::TooLarge;
    refused.format = "PCX";
    refused.message = "why";
    const DecodedImage told = SandboxedDecoder::run([&] { return refused; }, 60000, "X", smallFile());
    EXPECT_EQ(told.status, DecodedImage::Status::TooLarge);
    EXPECT_EQ(told.format + told.message, "PCXwhy");
}

// A reader that crashes, waits, spins on the processor or hands back more pixels than allowed
// costs only that file; what it prints on its way down stays out of the user's terminal. A crash
// dies of it, whatever handlers the program set up for itself: a host's crash reporter, or a
// fuzzer's crash dump, would otherwise take the reader's crash for its own.
TEST(SandboxedDecoder, FailingChildCostsOnlyThatFileAndPrintsNothing) {
    static int reported[2];
    ASSERT_EQ(pipe2(reported, O_CLOEXEC | O_NONBLOCK), 0);
    struct sigaction reporter {}, previous {};
    reporter.sa_handler = [](int) {
        const char mark = 'x';
        [[maybe_unused]] const ssize_t n = ::write(reported[1], &mark, 1);
        _exit(0);
    };
    sigaction(SIGSEGV, &reporter, &previous);
    std::FILE* captured = std::tmpfile();
    ASSERT_NE(captured, nullptr);
    std::fflush(stderr);
    const int savedErr = dup(STDERR_FILENO), savedOut = dup(STDOUT_FILENO);
    dup2(fileno(captured), STDERR_FILENO);
    dup2(fileno(captured), STDOUT_FILENO);
    const DecodedImage crashed = SandboxedDecoder::run(
        []() -> DecodedImage {
            const char text[] = "libpng error: Read Error\n*** buffer overflow detected ***: terminated\n";
            [[maybe_unused]] const ssize_t a = ::write(STDERR_FILENO, text, sizeof text - 1);
            [[maybe_unused]] const ssize_t b = ::write(STDOUT_FILENO, text, sizeof text - 1);
            raise(SIGSEGV);
            return {};
        },
        100, "PSD", smallFile());
    dup2(savedErr, STDERR_FILENO);
    dup2(savedOut, STDOUT_FILENO);
    close(savedErr);
    close(savedOut);
    sigaction(SIGSEGV, &previous, nullptr);
    char mark = 0;
    EXPECT_NE(::read(reported[0], &mark, 1), 1) << "the program's handler ran in the reader's process";
    close(reported[0]);
    close(reported[1]);
    EXPECT_EQ(std::ftell(captured), 0L);
    std::fclose(captured);
    EXPECT_EQ(crashed.format + ": " + crashed.message, "PSD: The reader failed on damaged data.");

    const char* const late = "Reading the file took too long.";
    const struct {
        const char* name;
        int cpuSeconds, wallMs;
        DecodedImage (*read)();
        const char* message;
    } children[] = {
        {"waits", 2, 300, []() -> DecodedImage { for (;;) pause(); }, late},
        // Stopped by its CPU-time limit, long before the wall deadline would end it.
        {"spins", 1, 3600 * 1000,
         []() -> DecodedImage {
             for (uint64_t n = 0;; ++n)
                 asm volatile("" : "+r"(n));  // a loop the compiler may not drop
         },
         late},
        // Refused from the child's header, before its pixels are read.
        {"sends 110 of 100 pixels", 2, 60000, [] { return decodedPixels(11, 10); },
         "The reader failed on damaged data."},
    };
    for (const auto& c : children) {
        SandboxedDecoder::Limits limits = smallFile();
        limits.cpuSeconds = c.cpuSeconds;
        limits.wallMs = c.wallMs;
        const DecodedImage got = SandboxedDecoder::run(c.read, 100, "XBM", limits);
        EXPECT_EQ(got.status, DecodedImage::Status::Unreadable) << c.name;
        EXPECT_EQ(got.message, c.message) << c.name;
        EXPECT_TRUE(got.pixels.empty()) << c.name;
    }
}

// Limits grow with the work: a few seconds for a small file, more for a large header or file.
TEST(SandboxedDecoder, LimitsFitTheFile) {
    const int64_t max = ImageLoader::kMaxPixels;
    const SandboxedDecoder::Limits small = SandboxedDecoder::Limits::forFile(28, 0, max);
    const SandboxedDecoder::Limits bigHeader = SandboxedDecoder::Limits::forFile(28, 8000 * 8000, max);
    const SandboxedDecoder::Limits bigFile = SandboxedDecoder::Limits::forFile(uint64_t(200) << 20, 0, max);
    const int slowdown = small.cpuSeconds / 2;  // sanitizer builds get more time
    EXPECT_EQ(small.cpuSeconds, 2 * slowdown);
    EXPECT_EQ(small.wallMs, 3000 * slowdown + 1000);
    EXPECT_EQ(small.pixels, max);  // memory for the largest image when the header is not known
    EXPECT_EQ(bigHeader.cpuSeconds, (2 + 15) * slowdown);
    EXPECT_EQ(bigHeader.pixels, 8000 * 8000);
    EXPECT_EQ(bigFile.cpuSeconds, (2 + 16 + 12) * slowdown);
}

// A child left running when the program using it is killed would spin on its own: it dies
// with its parent. A helper process stands in for the program, and the test adopts the orphan
// to see how it ended.
TEST(SandboxedDecoder, ChildDiesWithItsParent) {
    int pidPipe[2];
    ASSERT_EQ(pipe(pidPipe), 0);
    const int watcher = exitStatusInChild([&] {
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        const pid_t program = fork();
        if (program == 0) {
            SandboxedDecoder::Limits hour;
            hour.cpuSeconds = 3600;
            hour.wallMs = 3600 * 1000;
            hour.pixels = 100;
            SandboxedDecoder::run(
                [&]() -> DecodedImage {
                    const pid_t self = getpid();
                    [[maybe_unused]] const ssize_t n = ::write(pidPipe[1], &self, sizeof self);
                    for (;;)
                        pause();
                },
                100, "XBM", hour);
            _exit(0);
        }
        pid_t decoder = 0;
        if (read(pidPipe[0], &decoder, sizeof decoder) != ssize_t(sizeof decoder))
            return 2;
        kill(program, SIGKILL);
        waitpid(program, nullptr, 0);
        // Adopted by this process now; without the parent-death signal it would wait forever.
        for (int tries = 0; tries < 3000; ++tries) {
            int status = 0;
            if (waitpid(decoder, &status, WNOHANG) == decoder)
                return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? 0 : 3;
            usleep(10000);
        }
        kill(decoder, SIGKILL);
        return 4;
    });
    close(pidPipe[0]);
    close(pidPipe[1]);
    EXPECT_EQ(watcher, 0);
}
