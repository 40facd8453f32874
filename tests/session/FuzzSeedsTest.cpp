#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "SessionTestSupport.h"
#include "chunks/ImageCollection.h"
#include "fuzz/FuzzInput.h"
#include "session/ImageLoader.h"

// The fuzzers start from the committed seeds; a seed the loader no longer reads (a format it
// lost, or a seed written for another extension list) would leave its readers unexplored.
TEST(FuzzSeeds, EverySeedIsAPictureTheLoaderReadsWithItsExtension) {
    const QDir seeds(QStringLiteral(PATCHLOOM_FUZZ_SEEDS_DIR));
    const QStringList names = seeds.entryList(QDir::Files);
    ASSERT_GE(names.size(), 20);
    QTemporaryDir folder;
    for (const QString& name : names) {
        QFile seed(seeds.filePath(name));
        ASSERT_TRUE(seed.open(QIODevice::ReadOnly));
        const QByteArray bytes = seed.readAll();
        const FuzzInput input(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        EXPECT_EQ(input.extension(), QFileInfo(name).suffix().toStdString()) << name.toStdString();
        const QString path = folder.filePath(QStringLiteral("seed.") + QString::fromStdString(input.extension()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char*>(input.bytes()), qint64(input.size()));
        file.close();

        ImageCollection images;
        CollectedWarnings warnings;
        const std::vector<uint32_t> keys = ImageLoader(images, warnings).loadFiles({path}, QSize(512, 512));
        ASSERT_EQ(keys.size(), 1u) << name.toStdString() << ": " << warnings.texts.join('\n').toStdString();
        const PixelBuffer& pixels = images.find(keys[0])->pixels();
        const QSize expected = name.endsWith(QStringLiteral(".iff")) ? QSize(16, 4) : QSize(8, 6);
        EXPECT_EQ(QSize(int(pixels.width()), int(pixels.height())), expected) << name.toStdString();
    }
}
