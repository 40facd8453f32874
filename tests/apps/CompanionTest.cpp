#include <gtest/gtest.h>

#include <QImage>
#include <QRgba64>

#include <cmath>
#include <set>
#include <sstream>
#include <tuple>

#include "AppsTestSupport.h"
#include "apps/DemoTexture.h"
#include "apps/PngFile.h"
#include "apps/SynthArgumentParser.h"
#include "apps/TileFiles.h"
#include "support/TextureLoader.h"

namespace {

void writeDemo(const std::string& path, uint32_t side) { writePng(path, DemoTexture::make(side)); }

// The demo with a fully transparent disc in its middle; the colour under the disc is kept.
PixelBuffer demoWithHole(uint32_t side) {
    PixelBuffer demo = DemoTexture::make(side);
    const double c = side / 2.0, r = side / 8.0;
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x)
            if (std::hypot(x - c, y - c) < r)
                demo.at(x, y) &= 0x00FFFFFFu;
    return demo;
}

// The demo texture at 16 bits: its 8-bit values in the high bytes, a pattern in the low ones.
QImage deepDemo(uint32_t side, bool grey) {
    const PixelBuffer demo = DemoTexture::make(side);
    QImage image(static_cast<int>(side), static_cast<int>(side), grey ? QImage::Format_Grayscale16 : QImage::Format_RGBA64);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            const uint32_t p = demo.at(x, y), low = (x * 7 + y * 13) & 0xFF;
            if (grey)
                reinterpret_cast<quint16*>(image.scanLine(int(y)))[x] = quint16(greenOf(p) << 8 | low);
            else
                reinterpret_cast<QRgba64*>(image.scanLine(int(y)))[x] =
                    QRgba64::fromRgba64(quint16(redOf(p) << 8 | low), quint16(greenOf(p) << 8 | (low ^ 0x5A)),
                                        quint16(blueOf(p) << 8 | (255 - low)), 65535);
        }
    return image;
}

std::vector<QRgba64> deepPixels(const QImage& read) {
    const QImage image = read.convertToFormat(QImage::Format_RGBA64);
    std::vector<QRgba64> pixels;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgba64*>(image.constScanLine(y));
        pixels.insert(pixels.end(), row, row + image.width());
    }
    return pixels;
}

// Bit depth from the PNG header (IHDR), as other programs will see it.
int pngBitDepth(const std::string& path) {
    const std::string bytes = readFile(path);
    return bytes.size() > 24 ? int(uint8_t(bytes[24])) : 0;
}

} // namespace

TEST(CompanionArguments, MapsAreOnePerInputInOrderAndMapOutIsAfterTheLastEquals) {
    auto one = SynthArgumentParser::parse({"a.png", "-o", "t.png", "--companion", "h=1,2.png=out/h.png"});
    ASSERT_TRUE(one.ok()) << one.error;
    ASSERT_EQ(one.options.companions.size(), 1u);
    EXPECT_EQ(one.options.companions[0].maps, Words{"h=1,2.png"});
    EXPECT_EQ(one.options.companions[0].output, "out/h.png");
    auto two = SynthArgumentParser::parse(
        {"a.png", "--companion=an.png,bn.png=n.png", "b.png", "-o", "t.png", "--companion", "ah.png,bh.png=h.png"});
    ASSERT_TRUE(two.ok()) << two.error;
    ASSERT_EQ(two.options.companions.size(), 2u);
    EXPECT_EQ(two.options.companions[0].maps, (Words{"an.png", "bn.png"}));
    EXPECT_EQ(two.options.companions[1].output, "h.png");
}

// Refused before the run with one line naming what is wrong: nothing written, no report.
TEST(CompanionArguments, BadMapsAreRefusedBeforeTheRun) {
    TempFolder folder;
    writeDemo(folder.file("in.png"), 64);
    writeDemo(folder.file("wide.png"), 80);
    writeFile(folder.file("broken.png"), "\x89PNG but not really");
    const std::string in = folder.file("in.png"), out = folder.file("out.png");
    const auto map = [&](const char* name) { return folder.file(name) + "=" + folder.file("tile.png"); };
    const std::string wide = "'" + folder.file("wide.png") + "' is 80 x 80";
    const std::string broken = "Cannot open '" + folder.file("broken.png");
    const int bad = SynthCommand::kBadArguments, failed = SynthCommand::kFailed;
    for (const auto& [words, status, named] : std::vector<std::tuple<Words, int, std::string>>{
             {{in, "-o", out, "--companion", "n.png"}, bad, "MAP=MAPOUT"},
             {{in, "-o", out, "--companion", "n.png="}, bad, "MAP=MAPOUT"},
             {{in, "b.png", "-o", out, "--companion", "n.png=x.png"}, bad, "one MAP per INPUT"},
             {{in, "b.png", "-o", out, "--companion", "n.png,=x.png"}, bad, "one MAP per INPUT"},
             {{"--demo", "-o", out, "--companion", "n.png=x.png"}, bad, "--demo"},
             {{in, "-o", "t.png", "--companion", "n.png=./t.png"}, bad, "same file as -o"},
             {{in, "-o", out, "--companion", "n.png=x.png", "--companion", "m.png=x.png"}, bad,
              "same file 'x.png'"},
             {{in, "-o", out, "--companion", map("wide.png")}, failed, wide},
             {{in, "-o", out, "--companion", map("broken.png")}, failed, broken}}) {
        Words all = words;
        all.insert(all.end(), {"--size", "128", "--report"});
        std::string report, err;
        EXPECT_EQ(synth(all, &report, &err), status) << named;
        EXPECT_TRUE(report.empty()) << report;
        EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
        EXPECT_NE(err.find(named), std::string::npos) << err;
    }
    EXPECT_EQ(folder.entries(), (Words{"broken.png", "in.png", "wide.png"}));
}

// Pastes replayed on their own pixels give the run's output; an opaque twin of a holed input
// too, since alpha and coverage follow the input. (A hole would stall the semi-regular grid.)
TEST(Companion, InputAsItsOwnCompanionReproducesTheOutputBitForBit) {
    TempFolder folder;
    writePng(folder.file("holed.png"), demoWithHole(128));
    writeDemo(folder.file("opaque.png"), 128);
    for (const auto& [input, mode] :
         {std::pair{"holed.png", Words{"--jitter", "40"}},
          {"opaque.png", Words{"--method", "semi-regular", "--covering", "30"}},
          {"holed.png", Words{"--mix", "--chunks", "6", "--chunk-size", "40"}}}) {
        Words words{folder.file(input), "-o", folder.file("out.png"), "--size", "300x220", "--seed", "8",
                    "--companion", folder.file(input) + "=" + folder.file("again.png"), "--report",
                    "--companion", folder.file("opaque.png") + "=" + folder.file("twin.png")};
        words.insert(words.end(), mode.begin(), mode.end());
        std::string out, err;
        ASSERT_EQ(synth(words, &out, &err), 0) << err;
        const std::string tile = readFile(folder.file("out.png"));
        ASSERT_FALSE(tile.empty());
        EXPECT_EQ(readFile(folder.file("again.png")), tile) << mode[0];
        EXPECT_EQ(readFile(folder.file("twin.png")), tile) << mode[0];
        EXPECT_NE(out.find("\"files\":[{\"path\":\"" + folder.file("out.png") + "\",\"bits\":8},{\"path\":\"" +
                           folder.file("again.png") + "\",\"bits\":8},{\"path\":\"" + folder.file("twin.png") +
                           "\",\"bits\":8}]"),
                  std::string::npos)
            << out;
    }
}

// Wherever a pixel was copied whole its 16 bits come through, low byte included; an 8-bit map
// beside them stays 8-bit.
TEST(Companion, SixteenBitFilesGiveSixteenBitTilesWithTheirLowBytes) {
    TempFolder folder;
    writeDemo(folder.file("plain.png"), 96);
    for (const auto& [name, grey] : {std::pair{"rgb16.png", false}, {"grey16.png", true}, {"rgba16.tif", false}}) {
        const QImage input = deepDemo(96, grey);
        ASSERT_TRUE(input.save(QString::fromStdString(folder.file(name))));
        std::string err;
        ASSERT_EQ(synth({folder.file(name), "-o", folder.file("out.png"), "--size", "200x160", "--seed", "2",
                         "--companion", folder.file("plain.png") + "=" + folder.file("plain-tile.png")},
                        nullptr, &err),
                  0)
            << err;
        EXPECT_EQ(pngBitDepth(folder.file("out.png")), 16) << name;
        EXPECT_EQ(pngBitDepth(folder.file("plain-tile.png")), 8) << name;
        std::set<uint64_t> inputPixels;
        for (const QRgba64 p : deepPixels(input))
            inputPixels.insert(p);
        const std::vector<QRgba64> tile = deepPixels(QImage(QString::fromStdString(folder.file("out.png"))));
        ASSERT_EQ(tile.size(), 200u * 160u);
        const auto copied = std::count_if(tile.begin(), tile.end(), [&](QRgba64 p) { return inputPixels.count(p); });
        EXPECT_GT(copied, int64_t(tile.size()) * 3 / 4) << name;
    }
}

namespace {

// The normal of a height field from its central differences, as an 8-bit RGB colour.
uint32_t normalColour(int64_t dx, int64_t dy) {
    const double nx = -double(dx) / 1028.0, ny = -double(dy) / 1028.0, length = std::sqrt(nx * nx + ny * ny + 1.0);
    auto channel = [](double v) { return uint32_t(std::lround((v + 1.0) * 127.5)); };
    return makePixel(255, channel(nx / length), channel(ny / length), channel(1.0 / length));
}

int channelGap(uint32_t a, uint32_t b) {
    return std::max({std::abs(int(redOf(a)) - int(redOf(b))), std::abs(int(greenOf(a)) - int(greenOf(b))),
                     std::abs(int(blueOf(a)) - int(blueOf(b)))});
}

} // namespace

// A height map and the normal map made from it, tiled along with a colour texture, still belong
// together: away from the seams, normals recomputed from the tiled heights are the tiled
// normals. A third map of input positions tells where the seams are.
TEST(Companion, NormalMapTiledWithItsHeightMapStillMatches) {
    TempFolder folder;
    const uint32_t side = 128, W = 320, H = 256;
    const PixelBuffer colour = DemoTexture::make(side);
    writePng(folder.file("colour.png"), colour);
    QImage heights(static_cast<int>(side), static_cast<int>(side), QImage::Format_Grayscale16);
    PixelBuffer normals(side, side), positions(side, side);
    auto height = [&](uint32_t x, uint32_t y) { return int64_t(greenOf(colour.at(x % side, y % side))) * 257; };
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            reinterpret_cast<quint16*>(heights.scanLine(int(y)))[x] = quint16(height(x, y));
            normals.at(x, y) = normalColour(height(x + 1, y) - height(x + side - 1, y),
                                            height(x, y + 1) - height(x, y + side - 1));
            positions.at(x, y) = makePixel(255, x, y, 0);
        }
    ASSERT_TRUE(heights.save(QString::fromStdString(folder.file("height.png"))));
    writePng(folder.file("normal.png"), normals);
    writePng(folder.file("position.png"), positions);
    std::string err;
    ASSERT_EQ(synth({folder.file("colour.png"), "-o", folder.file("tile.png"), "--size", "320x256", "--seed", "3",
                     "--jitter", "30", "--companion", folder.file("height.png") + "=" + folder.file("height-tile.png"),
                     "--companion", folder.file("normal.png") + "=" + folder.file("normal-tile.png"), "--companion",
                     folder.file("position.png") + "=" + folder.file("position-tile.png")},
                    nullptr, &err),
              0)
        << err;

    const std::vector<QRgba64> tiledHeights = deepPixels(QImage(QString::fromStdString(folder.file("height-tile.png"))));
    const PixelBuffer tiledNormals = loadPng(folder.file("normal-tile.png"));
    const PixelBuffer tiledPositions = loadPng(folder.file("position-tile.png"));
    ASSERT_EQ(tiledHeights.size(), size_t(W) * H);
    auto tiledHeight = [&](uint32_t x, uint32_t y) { return int64_t(tiledHeights[size_t(y % H) * W + x % W].red()); };
    // Every neighbour came from the neighbouring input pixel of the same paste.
    auto awayFromSeams = [&](uint32_t x, uint32_t y) {
        const uint32_t here = tiledPositions.at(x, y);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const uint32_t there = tiledPositions.at((x + W + dx) % W, (y + H + dy) % H);
                if (int(redOf(there)) != int(redOf(here)) + dx || int(greenOf(there)) != int(greenOf(here)) + dy)
                    return false;
            }
        return true;
    };
    size_t checked = 0;
    for (uint32_t y = 0; y < H; ++y)
        for (uint32_t x = 0; x < W; ++x) {
            if (!awayFromSeams(x, y))
                continue;
            const uint32_t recomputed = normalColour(tiledHeight(x + 1, y) - tiledHeight(x + W - 1, y),
                                                     tiledHeight(x, y + 1) - tiledHeight(x, y + H - 1));
            ASSERT_LE(channelGap(recomputed, tiledNormals.at(x, y)), 1) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, size_t(W) * H / 2);
}

// A set of tiles changes together: a file that cannot be written leaves the others' targets
// untouched; a complete set lands with 16-bit values and coverage widened exactly.
TEST(TileFiles, NothingChangesUntilEveryFileIsWritten) {
    TempFolder folder;
    writeFile(folder.file("a.png"), "earlier tile");
    {
        TileFiles files;
        std::string error;
        EXPECT_TRUE(files.add(folder.file("a.png"), PixelBuffer(4, 4), error)) << error;
        EXPECT_FALSE(files.add(folder.file("missing/b.png"), DeepPixelBuffer(4, 4), error));
        EXPECT_NE(error.find("b.png"), std::string::npos) << error;
    }
    EXPECT_EQ(readFile(folder.file("a.png")), "earlier tile");
    EXPECT_EQ(folder.entries(), Words{"a.png"});

    DeepPixelBuffer deep(3, 1);
    deep.at(0, 0) = DeepPixel{0x1234, 0xFFFE, 1, 255};
    deep.at(1, 0) = DeepPixel{7, 8, 9, 128};
    TileFiles files;
    std::string error;
    ASSERT_TRUE(files.add(folder.file("a.png"), PixelBuffer(4, 4), error) &&
                files.add(folder.file("b.png"), deep, error) && files.commit(error))
        << error;
    ASSERT_EQ(files.written().size(), 2u);
    EXPECT_EQ(files.written()[1].bits, 16);
    const std::vector<QRgba64> back = deepPixels(QImage(QString::fromStdString(folder.file("b.png"))));
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0], QRgba64::fromRgba64(0x1234, 0xFFFE, 1, 65535));
    EXPECT_EQ(back[1], QRgba64::fromRgba64(7, 8, 9, 128 * 257));
    EXPECT_EQ(pngBitDepth(folder.file("a.png")), 8);
    EXPECT_EQ(folder.entries(), (Words{"a.png", "b.png"}));
}
