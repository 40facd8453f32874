#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "chunks/CompanionReplay.h"
#include "engine/Blending.h"
#include "support/ChunkSessions.h"
#include "support/Pictures.h"

namespace {

// 16-bit colour whose high bytes are the 8-bit picture's and whose low bytes carry a pattern.
CompanionMap deepOf(const PixelBuffer& p) {
    CompanionMap map;
    map.deepPixels = DeepPixelBuffer(p.width(), p.height());
    for (uint32_t y = 0; y < p.height(); ++y)
        for (uint32_t x = 0; x < p.width(); ++x) {
            const uint32_t v = p.at(x, y), low = (x * 7 + y * 13) & 0xFF;
            map.deepPixels.at(x, y) = DeepPixel{uint16_t(redOf(v) << 8 | low), uint16_t(greenOf(v) << 8 | (low ^ 0x5A)),
                                                uint16_t(blueOf(v) << 8 | (255 - low)), 0};
        }
    return map;
}

uint16_t mix(uint16_t old, uint16_t chunk, uint32_t w) { return uint16_t((old * (255 - w) + chunk * w) / 255); }

// Two pastes of a 60 x 60 input into a 100 x 60 output, at x = 0 and x = 40: the second is cut
// into the first over columns 40 to 59.
struct TwoPastes : SynthSession {
    ImageCollection images;
    uint32_t key;
    PasteRecord record;

    explicit TwoPastes(const PixelBuffer& input) : SynthSession(100, 60), key(images.addImage(input)) {
        synth.setPasteRecord(&record);
    }
    PasteOutcome paste(int32_t x) {
        synth.setChunk(&images.find(key)->pixels(), ChunkSource{key, 0});
        return synth.pasteAt(Box(x, 0, x + 59, 59), Box(0, 0, 59, 59));
    }
};

} // namespace

// The weight of each seam pixel is read off the 8-bit output; the 16-bit companion must be
// the same blend of the 16-bit pixels.
TEST(CompanionReplay, SixteenBitMapKeepsLowBytesWhereCopiedAndBlendsThemAtTheSeam) {
    const PixelBuffer input = noisePicture(60, 60, 255, 3);
    TwoPastes run(input);
    ASSERT_EQ(run.paste(0), PasteOutcome::Whole);
    ASSERT_EQ(run.paste(40), PasteOutcome::Cut);
    const CompanionMap map = deepOf(input);
    DeepPixelBuffer canvas(100, 60);
    ASSERT_EQ(CompanionReplay(run.images, run.record).replay({{run.key, &map}}, canvas), ReplayOutcome::Done);

    int whole = 0, feathered = 0;
    for (uint32_t y = 0; y < 60; ++y)
        for (uint32_t x = 0; x < 100; ++x) {
            const DeepPixel got = canvas.at(x, y);
            ASSERT_EQ(got.alpha, alphaOf(run.output.at(x, y)));
            if (x < 40 || x >= 60) {
                DeepPixel expected = map.deepPixels.at(x < 40 ? x : x - 40, y);
                expected.alpha = 255;
                EXPECT_EQ(got, expected) << x << "," << y;
                ++whole;
                continue;
            }
            // Skipped where two weights would give the same 8-bit pixel.
            std::optional<uint32_t> weight;
            int matches = 0;
            for (uint32_t w : {0u, 85u, 170u, 255u})
                if (blendMasked(input.at(x, y), input.at(x - 40, y), w) == run.output.at(x, y)) {
                    weight = w;
                    ++matches;
                }
            if (matches != 1)
                continue;
            const DeepPixel& o = map.deepPixels.at(x, y);
            const DeepPixel& n = map.deepPixels.at(x - 40, y);
            EXPECT_EQ(got, (DeepPixel{mix(o.red, n.red, *weight), mix(o.green, n.green, *weight),
                                      mix(o.blue, n.blue, *weight), 255}))
                << x << "," << y << " weight " << *weight;
            feathered += *weight == 85 || *weight == 170;
        }
    EXPECT_GT(feathered, 40);
    EXPECT_EQ(whole, 80 * 60);
}

// A map without the input's transparent patch still gets the input's coverage: its pixels take
// the input's alpha, so the canvas equals the output (the patch is left uncovered by the first
// paste and partly by the second).
TEST(CompanionReplay, CoverageFollowsTheInputNotTheMap) {
    PixelBuffer input = noisePicture(60, 60, 255, 9);
    CompanionMap opaque;
    opaque.pixels = input;
    for (uint32_t y = 20; y < 40; ++y)
        for (uint32_t x = 5; x < 25; ++x)
            input.at(x, y) &= 0x00FFFFFFu;
    TwoPastes run(input);
    ASSERT_EQ(run.paste(0), PasteOutcome::Whole);
    ASSERT_EQ(run.paste(40), PasteOutcome::Cut);
    PixelBuffer canvas(100, 60);
    ASSERT_EQ(CompanionReplay(run.images, run.record).replay({{run.key, &opaque}}, canvas), ReplayOutcome::Done);
    EXPECT_EQ(alphaOf(run.output.at(10, 30)), 0u);
    EXPECT_TRUE(std::equal(canvas.pixels(), canvas.pixels() + canvas.count(), run.output.pixels()));
}

// What cannot be replayed as the run pasted it is refused, never guessed.
TEST(CompanionReplay, RefusesMapsAndRecordsThatDoNotMatchTheRun) {
    const PixelBuffer input = noisePicture(60, 60, 255, 5);
    TwoPastes run(input);
    ASSERT_EQ(run.paste(0), PasteOutcome::Whole);
    CompanionMap narrow;
    narrow.pixels = noisePicture(59, 60, 255, 1);
    const CompanionMap deep = deepOf(input);
    CompanionMap same;
    same.pixels = input;
    PixelBuffer canvas(100, 60);
    CompanionReplay replay(run.images, run.record);
    EXPECT_EQ(replay.replay({}, canvas), ReplayOutcome::MissingMap);
    EXPECT_EQ(replay.replay({{run.key, &narrow}}, canvas), ReplayOutcome::MapSizeDiffers);
    EXPECT_EQ(replay.replay({{run.key, &deep}}, canvas), ReplayOutcome::DeepMapOn8Bits);

    PasteRecord stranger;
    stranger.recordWhole(ChunkSource{run.key + 1, 0}, Box(0, 0, 9, 9), 0, 0);
    EXPECT_EQ(CompanionReplay(run.images, stranger).replay({{run.key, &same}}, canvas), ReplayOutcome::UnknownChunk);

    // The record names chunks as given, so a turned copy's paste cannot be replayed from it.
    run.placement.method = PlacementMethod::SinglePaste;
    run.placement.angle = 0.5;
    run.placement.pasteX = 30;
    run.synth.setChunk(&run.images.find(run.key)->pixels(), ChunkSource{run.key, 0});
    ASSERT_NE(run.synth.step(), PasteOutcome::Invalid);
    EXPECT_EQ(replay.replay({{run.key, &same}}, canvas), ReplayOutcome::IncompleteRecord);
}
