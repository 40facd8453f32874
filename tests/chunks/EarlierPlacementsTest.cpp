#include <gtest/gtest.h>

#include <map>

#include "support/ChunkSessions.h"

// Tiles of the placements that existed before content-matched placement, pinned by a checksum
// taken from the code of that time: adding a placement must not move a single pixel of these.

namespace {

// Gradient, diagonal ripple and noise: structure on several scales, so that cuts really wander.
PixelBuffer noisyChunk(uint32_t width, uint32_t height) {
    PixelBuffer chunk(width, height);
    RandomGenerator noise(99);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t ripple = ((x + 2 * y) % 11) * 9;
            chunk.at(x, y) = makePixel(255, (x * 3 + ripple) & 0xFF, (y * 5 + noise.next() % 40) & 0xFF,
                                       (ripple + noise.next() % 90) & 0xFF);
        }
    return chunk;
}

uint64_t checksum(const PixelBuffer& buffer) {
    uint64_t hash = 14695981039346656037ull; // FNV-1a over the pixel words' bytes
    for (uint32_t i = 0; i < buffer.count(); ++i)
        for (int shift = 0; shift < 32; shift += 8) {
            hash ^= (buffer.pixels()[i] >> shift) & 0xFF;
            hash *= 1099511628211ull;
        }
    return hash;
}

struct PinnedTile {
    const char* name;
    PlacementMethod method;
    double amount; // jittering or covering factor
    uint64_t expected;
};

class EarlierPlacements : public ::testing::TestWithParam<PinnedTile> {};

} // namespace

// The automatic placements also fill the output within a bound, by whole and cut pastes only.
TEST_P(EarlierPlacements, FillTheOutputAndGiveTheSameTileAsBefore) {
    const PinnedTile& tile = GetParam();
    const PixelBuffer chunk = noisyChunk(37, 29);
    SynthSession s(96, 80, 2024, tile.method);
    s.placement.jittering = s.placement.coveringFactor = tile.amount;
    s.placement.cellWidth = 37;
    s.placement.cellHeight = 29;
    s.placement.pasteX = 50;
    s.placement.pasteY = 41;
    s.synth.setChunk(&chunk);
    std::map<PasteOutcome, int> outcomes;
    const bool single = tile.method == PlacementMethod::SinglePaste;
    for (int i = 0; i < (single ? 3 : 400) && !s.synth.isComplete(); ++i)
        ++outcomes[s.synth.step()];
    EXPECT_EQ(checksum(s.output), tile.expected) << std::hex << checksum(s.output);
    if (!single) {
        EXPECT_TRUE(s.synth.isComplete());
        EXPECT_GE(outcomes[PasteOutcome::Whole], 1);
        EXPECT_GT(outcomes[PasteOutcome::Cut], 0);
        EXPECT_EQ(outcomes.count(PasteOutcome::Invalid) + outcomes.count(PasteOutcome::Aborted), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tiles, EarlierPlacements,
    ::testing::Values(PinnedTile{"RandomWithoutJitter", PlacementMethod::Random, 0.0, 0x45007299190781eaull},
                      PinnedTile{"RandomJitteredHalf", PlacementMethod::Random, 0.5, 0xa50a0519067ab37dull},
                      PinnedTile{"SemiRegular", PlacementMethod::SemiRegular, 0.25, 0xa6b88484b4581e73ull},
                      PinnedTile{"SinglePasteThreeTimes", PlacementMethod::SinglePaste, 0.0, 0x2eaf94a2f004f9d9ull}),
    [](const ::testing::TestParamInfo<PinnedTile>& info) { return std::string(info.param.name); });
