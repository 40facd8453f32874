#include <gtest/gtest.h>

#include "apps/PixelOrigins.h"
#include "apps/QualityFigures.h"
#include "chunks/MOSSynthesizer.h"
#include "engine/CostFunctions.h"
#include "support/Pictures.h"

namespace {

uint32_t grey(uint32_t v) { return makePixel(255, v, v, v); }

// Stripes of period 8: four dark columns, four light ones, with a little grain, so that every
// stripe edge is a large jump that belongs to the texture.
PixelBuffer stripes(uint32_t width, uint32_t height) {
    PixelBuffer image(width, height);
    RandomGenerator grain(3);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image.at(x, y) = grey((x % 8 < 4 ? 40 : 200) + grain.next() % 6);
    return image;
}

// An output of `source`'s pixels (from (sx, sy) on) with the seams of a pasted square
// [a, b) x [a, b) recorded around it; the square comes from `square` at the same place when
// given, else from `source` one period (8 pixels) further right, which looks the same.
struct PastedSquare {
    PixelBuffer output;
    SeamStore seams;
    PixelOrigins origins;

    PastedSquare(const PixelBuffer& source, const PixelBuffer* square, uint32_t W, uint32_t a, uint32_t b)
        : output(W, W), origins(W, W, {&source, square ? square : &source}) {
        seams.reset(W, W);
        for (uint32_t y = 0; y < W; ++y)
            for (uint32_t x = 0; x < W; ++x) {
                const bool inside = x >= a && x < b && y >= a && y < b;
                const uint32_t sx = inside && !square ? x + 8 : x;
                output.at(x, y) = (inside && square ? *square : source).at(sx, y);
                origins.set(y * W + x, inside && square ? 1 : 0, sx, y);
            }
        for (uint32_t i = a; i < b; ++i) {
            seams.addSeam(a - 1, i, a, i, 0.1);
            seams.addSeam(b - 1, i, b, i, 0.1);
            seams.addSeam(i, a - 1, i, a, 0.1);
            seams.addSeam(i, b - 1, i, b, 0.1);
        }
    }
};

double plainSeamJump(const PastedSquare& s) {
    double sum = 0;
    size_t n = 0;
    for (uint32_t y = 0; y < s.seams.height(); ++y)
        for (const SeamRecord& r : s.seams.row(y))
            sum += colourDistance(s.output.pixels()[r.first], s.output.pixels()[r.second]), ++n;
    return sum / double(n);
}

} // namespace

// A square pasted in phase on stripes, its vertical seams on stripe edges, shows no join: the
// jump across those seams is the stripes' own, though far above the mean neighbour jump. The
// same square cut from a brightened copy shows, and must score clearly worse.
TEST(QualityFigures, JoinsCountOnlyWhereColoursLeaveTheirOwnContinuation) {
    const uint32_t W = 64;
    const PixelBuffer source = stripes(W + 8, W);
    PixelBuffer brighter = source;
    for (uint32_t i = 0; i < brighter.count(); ++i) {
        const uint32_t v = redOf(brighter.pixels()[i]) + 40;
        brighter.pixels()[i] = grey(v);
    }

    const PastedSquare inPhase(source, nullptr, W, 20, 44);
    const QualityFigures seamless = QualityFigures::measure(inPhase.output, inPhase.seams, &inPhase.origins);
    ASSERT_TRUE(seamless.seamContrast && seamless.wrapContrast);
    EXPECT_LT(*seamless.seamContrast, 0.2); // the grain alone differs
    // A tile of whole periods continues across its own edges.
    EXPECT_LT(*seamless.wrapContrast, 0.2);
    const double neighbours = 0.25 * colourDistance(grey(40), grey(200)) * (W - 1) / (2 * W - 1);
    EXPECT_GT(plainSeamJump(inPhase) / neighbours, 2.0) << "the stripe edges make the plain jump high";

    const PastedSquare stepped(source, &brighter, W, 20, 44);
    const QualityFigures visible = QualityFigures::measure(stepped.output, stepped.seams, &stepped.origins);
    ASSERT_TRUE(visible.seamContrast);
    // Every join is off by the 40-level step on both sides; the stripes' neighbours jump by
    // about a quarter of 160 levels on average.
    EXPECT_GT(*visible.seamContrast, 1.5);
    EXPECT_NEAR(*visible.seamContrast, colourDistance(grey(0), grey(40)) / neighbours, 0.3) << neighbours;
    EXPECT_NEAR(*visible.meanSeamCost, 0.1, 1e-9);

    // Without origins there is nothing to judge joins by; the cost stays.
    const QualityFigures blind = QualityFigures::measure(stepped.output, stepped.seams, nullptr);
    EXPECT_FALSE(blind.seamContrast || blind.wrapContrast);
    EXPECT_TRUE(blind.meanSeamCost);
}

// Two pastes of a 60 x 60 input into a 100 x 60 output, at x = 0 and then cut in at x = 40:
// pixels only the first covers come from (x, y), pixels only the second covers from (x - 40, y).
TEST(PixelOrigins, TracedFromTheRecordPointAtTheInputPixelsShown) {
    ImageCollection images;
    const PixelBuffer input = noisePicture(60, 60, 255, 3);
    const uint32_t key = images.addImage(input);
    PlacementParameters placement;
    RandomGenerator random(1);
    PixelBuffer output(100, 60);
    MOSSynthesizer synth(placement, random);
    synth.setOutput(&output);
    synth.reset();
    PasteRecord record;
    synth.setPasteRecord(&record);
    synth.setChunk(&images.find(key)->pixels(), ChunkSource{key, 0});
    ASSERT_EQ(synth.pasteAt(Box(0, 0, 59, 59), Box(0, 0, 59, 59)), PasteOutcome::Whole);
    ASSERT_EQ(synth.pasteAt(Box(40, 0, 99, 59), Box(0, 0, 59, 59)), PasteOutcome::Cut);

    const std::optional<PixelOrigins> origins = PixelOrigins::trace(record, images, 100, 60);
    ASSERT_TRUE(origins);
    for (uint32_t y = 0; y < 60; y += 7) {
        for (uint32_t x = 0; x < 40; ++x)
            ASSERT_EQ(origins->continuation(y * 100 + x, 0, 0), input.at(x, y)) << x << "," << y;
        for (uint32_t x = 60; x < 100; ++x)
            ASSERT_EQ(origins->continuation(y * 100 + x, 0, 0), input.at(x - 40, y)) << x << "," << y;
        // One step on within the input, and none past its edges.
        EXPECT_EQ(origins->continuation(y * 100 + 99, -2, 0), input.at(57, y));
        EXPECT_FALSE(origins->continuation(y * 100 + 99, 1, 0));
        EXPECT_FALSE(origins->continuation(y * 100, -1, 0));
    }
    // Where the cut gave a pixel wholly to one paste, the traced origin is that paste's pixel.
    for (uint32_t y = 0; y < 60; ++y)
        for (uint32_t x = 40; x < 60; ++x) {
            const uint32_t shown = output.at(x, y);
            const bool first = shown == input.at(x, y), second = shown == input.at(x - 40, y);
            if (first != second) {
                ASSERT_EQ(origins->continuation(y * 100 + x, 0, 0), shown) << x << "," << y;
            }
        }

    record.markIncomplete();
    EXPECT_FALSE(PixelOrigins::trace(record, images, 100, 60));
}
