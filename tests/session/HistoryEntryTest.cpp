#include <gtest/gtest.h>

#include <vector>

#include "session/HistoryEntry.h"

namespace {

// Every pixel different, so that a block put back at the wrong place cannot go unseen.
PixelBuffer numbered(uint32_t width, uint32_t height) {
    PixelBuffer output(width, height);
    for (uint32_t i = 0; i < output.count(); ++i)
        output.pixels()[i] = i * 2654435761u;
    return output;
}

std::vector<uint32_t> pixelsOf(const PixelBuffer& buffer) {
    return std::vector<uint32_t>(buffer.pixels(), buffer.pixels() + buffer.count());
}

} // namespace

// Large outputs are kept in several compressed pieces (4 MB of pixels each): one just fills a
// piece, one spills four bytes into a second, one needs three. Each comes back exactly.
TEST(HistoryEntry, LargeOutputsComeBackExactly) {
    const struct {
        uint32_t width, height;
    } sizes[] = {{1024, 1024}, {1, 1024 * 1024 + 1}, {1500, 1500}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
        const PixelBuffer output = numbered(size.width, size.height);
        const auto entry = HistoryEntry::capture(output, std::make_unique<SynthesizerState>());
        ASSERT_NE(entry, nullptr);
        PixelBuffer back(size.width, size.height);
        ASSERT_TRUE(entry->writePixelsTo(back));
        EXPECT_EQ(pixelsOf(back), pixelsOf(output));
    }
}

// An entry only fits an output of its own pixel count, also when both need as many pieces and
// only the last one differs; the output stays as it was.
TEST(HistoryEntry, AnEntryOfAnotherPixelCountIsRefused) {
    const auto twoPieces = HistoryEntry::capture(numbered(1024, 1025), std::make_unique<SynthesizerState>());
    const auto threePieces = HistoryEntry::capture(numbered(1500, 1500), std::make_unique<SynthesizerState>());
    ASSERT_NE(twoPieces, nullptr);
    ASSERT_NE(threePieces, nullptr);
    PixelBuffer output = numbered(1024, 1026);
    const std::vector<uint32_t> before = pixelsOf(output);
    EXPECT_FALSE(twoPieces->writePixelsTo(output));
    EXPECT_FALSE(threePieces->writePixelsTo(output));
    EXPECT_EQ(pixelsOf(output), before);
}
