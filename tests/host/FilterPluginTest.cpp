#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

#include "support/InProcessPlugin.h"
#include "TestHost.h"
#include "engine/PixelBuffer.h"
#include "host/ParameterBlock.h"
#include "host/PlatformHandles.h"
#include "host/TransferMode.h"
#include "support/AllocationFailure.h"

namespace {

// Starts each test with a window that applies without touching anything.
class FilterPluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        InProcessPlugin::session = nullptr;
        InProcessPlugin::sessions = 0;
    }
    // The window stand-in must not outlive the pixels it records into.
    void TearDown() override { InProcessPlugin::session = nullptr; }
    static int16_t run(TestHost& host) { return host.run(InProcessPlugin::entry); }

    // The pixels the window was given.
    std::vector<uint32_t> seen;
    void recordPixels() { paint(std::nullopt); }
    // A window that records what it was given, paints every pixel `colour` (when given) and
    // applies or cancels.
    void paint(std::optional<uint32_t> colour, bool apply = true) {
        InProcessPlugin::session = [this, colour, apply](int w, int h, uint32_t* p) {
            seen.assign(p, p + size_t(w) * h);
            if (colour)
                std::fill(p, p + size_t(w) * h, *colour);
            return apply;
        };
    }
};

std::vector<std::pair<int, int>> rowsOf(const std::vector<HostRect>& rects) {
    std::vector<std::pair<int, int>> rows;
    for (const HostRect& r : rects)
        rows.emplace_back(r.top, r.bottom);
    return rows;
}

} // namespace

TEST_F(FilterPluginTest, ReadsHostPixelsIntoWordsThroughTheColourServices) {
    TestHost host(2, 2, kModeLab, 8, 4);
    host.setSample(1, 1, 0, 0x10);
    host.setSample(1, 1, 1, 0x20);
    host.setSample(1, 1, 2, 0x30);
    host.setSample(1, 1, 3, 0x80);
    recordPixels();
    ASSERT_EQ(run(host), kResultOk);
    const int16_t key = TestHost::colourKey(kSpaceLab);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[3], makePixel(0x80, 0x10 ^ key, 0x20 ^ key, 0x30 ^ key));
    EXPECT_EQ(seen[0], makePixel(0, key, key, key));
}

TEST_F(FilterPluginTest, OnlyTheFilterRectangleIsReadAndWritten) {
    TestHost host(10, 10, kModeRGB, 8, 3);
    host.record.filterRect = {3, 2, 9, 8};  // top, left, bottom, right
    host.setSample(2, 3, 0, 200);
    paint(makePixel(255, 1, 2, 3));
    ASSERT_EQ(run(host), kResultOk);
    ASSERT_EQ(seen.size(), 36u);
    EXPECT_EQ(seen[0], makePixel(255, 200, 0, 0));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 2 && x < 8 && y >= 3 && y < 9;
            EXPECT_EQ(host.sample(x, y, 2), inside ? 3 : 0) << x << "," << y;
        }
}

TEST_F(FilterPluginTest, GreyWithoutAlphaIsFlattenedAgainstTheBackground) {
    TestHost host(2, 2, kModeGrayScale, 8, 1);
    host.record.backColor[0] = 200;
    InProcessPlugin::session = [](int, int, uint32_t* p) {
        p[0] = makePixel(0, 10, 10, 10);    // transparent: the background
        p[1] = makePixel(128, 40, 40, 40);  // (40 * 128 + 200 * 127) / 255 = 119
        p[2] = makePixel(255, 64, 0, 0);    // (11 * 64) >> 5 = 22
        return true;
    };
    ASSERT_EQ(run(host), kResultOk);
    EXPECT_EQ(host.sample(0, 0, 0), 200);
    EXPECT_EQ(host.sample(1, 0, 0), 119);
    EXPECT_EQ(host.sample(0, 1, 0), 22);
}

TEST_F(FilterPluginTest, IndexedImagesReadAsZeroAndAreNotWritten) {
    TestHost host(4, 3, kModeIndexed, 8, 1);
    host.fill();
    const std::vector<uint8_t> before = host.image;
    paint(0xFFFFFFFF);
    EXPECT_EQ(run(host), kResultOk);
    EXPECT_EQ(seen, std::vector<uint32_t>(12, 0));
    EXPECT_EQ(host.image, before);
}

// A host that offers advanceState but cannot show pixels, like a video editor, is not read
// through it: the window starts empty and the result arrives through continue calls.
TEST_F(FilterPluginTest, SeventyRowsTravelInStripsOf32And32And6ThroughEitherPath) {
    const std::vector<std::pair<int, int>> strips = {{0, 32}, {32, 64}, {64, 70}};
    TestHost viaAdvance(3, 70, kModeRGB, 8, 3);
    ASSERT_EQ(run(viaAdvance), kResultOk);
    EXPECT_EQ(rowsOf(viaAdvance.readStrips), strips);
    EXPECT_EQ(rowsOf(viaAdvance.writtenStrips), strips);
    EXPECT_EQ(viaAdvance.record.outRect.bottom, 0);

    TestHost::Options options;
    options.displayPixels = false;
    TestHost viaContinue(3, 70, kModeRGB, 8, 3, options);
    viaContinue.fill();
    InProcessPlugin::session = [this](int w, int h, uint32_t* p) {
        seen.assign(p, p + size_t(w) * h);
        for (int i = 0; i < w * h; ++i)
            p[i] = makePixel(255, i % 256, 2, 3);
        return true;
    };
    ASSERT_EQ(run(viaContinue), kResultOk);
    EXPECT_EQ(viaContinue.advanceCalls, 0);
    EXPECT_EQ(seen, std::vector<uint32_t>(210, 0));
    EXPECT_EQ(rowsOf(viaContinue.writtenStrips), strips);
    EXPECT_EQ(viaContinue.sample(2, 39, 0), 119);
    EXPECT_EQ(viaContinue.sample(2, 69, 0), 209);
    EXPECT_EQ(viaContinue.record.inputPadding, 255);
    EXPECT_EQ(viaContinue.record.outRect.top, viaContinue.record.outRect.bottom);
}

// A picture at the far end of the coordinate range travels whole: its last strip ends at its
// last row instead of wrapping round past the largest coordinate.
TEST_F(FilterPluginTest, StripsNearTheCoordinateLimitEndAtTheLastRow) {
    TestHost host(3, 40, kModeRGB, 8, 3);
    host.originTop = INT32_MAX - 40;
    host.record.filterRect = {host.originTop, 0, INT32_MAX, 3};
    paint(0xFF102030u);
    ASSERT_EQ(run(host), kResultOk);
    const std::vector<std::pair<int, int>> strips = {{INT32_MAX - 40, INT32_MAX - 8}, {INT32_MAX - 8, INT32_MAX}};
    EXPECT_EQ(rowsOf(host.readStrips), strips);
    EXPECT_EQ(rowsOf(host.writtenStrips), strips);
    EXPECT_EQ(host.sample(2, 39, 0), 0x10);
}

TEST_F(FilterPluginTest, ACancelDuringTheWriteKeepsTheStripsAlreadyWritten) {
    TestHost::Options options;
    options.cancelAtAbortCall = 4 + 2;  // four strips read, then two written
    TestHost host(2, 100, kModeRGB, 8, 3, options);
    paint(0xFFFFFFFF);
    EXPECT_EQ(host.call(InProcessPlugin::entry, kSelectorStart), kResultCancelled);
    EXPECT_EQ(host.sample(1, 63, 2), 255);
    EXPECT_EQ(host.sample(0, 64, 0), 0);
    EXPECT_EQ(host.sample(1, 99, 1), 0);
}

TEST_F(FilterPluginTest, AFailedReadFallsBackToContinueCallsWithAnEmptyBuffer) {
    TestHost::Options options;
    options.failAtAdvanceCall = 1;
    TestHost host(2, 40, kModeRGB, 8, 3, options);
    host.fill();
    recordPixels();
    EXPECT_EQ(run(host), kResultOk);
    EXPECT_EQ(InProcessPlugin::sessions, 1);
    EXPECT_EQ(seen, std::vector<uint32_t>(80, 0));
    EXPECT_EQ(rowsOf(host.writtenStrips), (std::vector<std::pair<int, int>>{{0, 32}, {32, 40}}));
    EXPECT_EQ(host.sample(1, 39, 0), 0);
}

TEST_F(FilterPluginTest, ClosingWithoutApplyingLeavesTheHostImageAndReportsOne) {
    TestHost host(5, 5, kModeRGB, 8, 3);
    host.fill();
    const std::vector<uint8_t> before = host.image;
    paint(0xFF000000, false);
    EXPECT_EQ(run(host), kResultNotApplied);
    EXPECT_EQ(host.image, before);
    EXPECT_EQ(InProcessPlugin::plugin().pixels(), nullptr);
    EXPECT_EQ(host.data, 0) << "no finish follows an error, so the globals must be gone";
}

TEST_F(FilterPluginTest, RectanglesTooSmallForAWindowOpenNoneAndReportOne) {
    for (const HostRect rect : {HostRect{0, 0, 1, 5}, HostRect{0, 0, 5, 1}, HostRect{0, 0, 0, 0}, HostRect{4, 4, 2, 2}}) {
        TestHost host(5, 5, kModeRGB, 8, 3);
        host.record.filterRect = rect;
        host.fill();
        const std::vector<uint8_t> before = host.image;
        EXPECT_EQ(run(host), kResultNotApplied);
        EXPECT_EQ(host.image, before);
    }
    EXPECT_EQ(InProcessPlugin::sessions, 0);
}

TEST_F(FilterPluginTest, BadSelectorsAndRecordsEndWithAResultWord) {
    TestHost host(4, 4, kModeRGB, 8, 3);
    for (int16_t selector : {int16_t(6), int16_t(-1), int16_t(1000)})
        EXPECT_EQ(host.call(InProcessPlugin::entry, selector), kResultBadParameters) << selector;
    int16_t result = 0;
    InProcessPlugin::entry(kSelectorStart, nullptr, &host.data, &result);
    EXPECT_EQ(result, kResultBadParameters);

    const struct {
        int16_t planes;
        int16_t depth;
    } bad[] = {{0, 8}, {33, 8}, {-2, 8}, {3, 32}, {3, 1}, {3, 0}};
    for (const auto& c : bad) {
        TestHost odd(4, 4, kModeRGB, 8, 3);
        odd.record.planes = c.planes;
        odd.record.depth = c.depth;
        EXPECT_EQ(odd.run(InProcessPlugin::entry), kResultBadParameters) << c.planes << " " << c.depth;
    }
    EXPECT_EQ(InProcessPlugin::sessions, 0);

    TestHost huge(1, 1, kModeRGB, 8, 3);
    huge.record.filterRect = {0, 0, 300000, 300000};
    EXPECT_EQ(huge.call(InProcessPlugin::entry, kSelectorStart), kResultOutOfMemory);
}

TEST_F(FilterPluginTest, AHostWithoutAnyProceduresStillRunsTheFilter) {
    TestHost::Options none;
    none.advanceState = none.displayPixels = none.abortProc = false;
    none.handleSuite = none.colourServices = none.descriptors = false;
    TestHost host(4, 4, kModeCMYK, 8, 4, none);
    host.record.platformData = nullptr;
    paint(makePixel(255, 7, 8, 9));
    EXPECT_EQ(run(host), kResultOk);
    // No colour services: the RGB components land unconverted.
    EXPECT_EQ(host.sample(3, 3, 0), 7);
    EXPECT_EQ(host.sample(3, 3, 3), 0);
    EXPECT_EQ(host.handleSuiteCalls, 0);
    EXPECT_EQ(host.data, 0);
}

TEST_F(FilterPluginTest, HandlesComeFromTheHostSuiteOnlyWhenItIsComplete) {
    TestHost complete(4, 4, kModeRGB, 8, 3);
    ASSERT_EQ(complete.call(InProcessPlugin::entry, kSelectorParameters), kResultOk);
    EXPECT_GT(complete.handleSuiteCalls, 0);
    EXPECT_NE(complete.data, 0);
    EXPECT_NE(complete.record.parameters, nullptr);

    TestHost shortSuite(4, 4, kModeRGB, 8, 3);
    shortSuite.handleProcs.count = 6;
    ASSERT_EQ(shortSuite.run(InProcessPlugin::entry), kResultOk);
    EXPECT_EQ(shortSuite.handleSuiteCalls, 0);
    EXPECT_NE(shortSuite.record.parameters, nullptr);
}

TEST_F(FilterPluginTest, PrepareAsksForWholeRowsUpToWhatTheHostOffers) {
    const struct {
        int width;
        int height;
        int16_t planes;
        int32_t offered;
        int32_t asked;
    } cases[] = {
        {100, 70, 3, 1000, 1200},    // rows of 600 bytes: two rows reach 1000
        {100, 70, 3, 600, 600},      // one row is all the host offers
        {100, 70, 3, 100000, 42000}, // the whole image fits: all 70 rows
        {100, 1, 4, 5000, 800},
    };
    for (const auto& c : cases) {
        TestHost host(c.width, c.height, kModeRGB, 8, c.planes);
        host.record.maxSpace = c.offered;
        EXPECT_EQ(host.call(InProcessPlugin::entry, kSelectorPrepare), kResultOk);
        EXPECT_EQ(host.record.maxSpace, c.asked) << c.offered;
        EXPECT_EQ(host.record.bufferSpace, 0);
    }
}

// Strips the module cannot use are refused before a byte is converted: a broken read leaves
// the window an empty picture, a broken write leaves the host image as it was and no pixel
// buffer waiting for a finish that will not come.
TEST_F(FilterPluginTest, StripsWithoutDataOrWithShortRowsAreRefused) {
    for (const bool nullData : {true, false})
        for (const bool writes : {false, true}) {
            TestHost::Options options;
            options.afterAdvance = [nullData, writes](FilterRecord& r) {
                if ((writes ? r.outRect : r.inRect).bottom <= (writes ? r.outRect : r.inRect).top)
                    return;
                if (nullData)
                    (writes ? r.outData : r.inData) = nullptr;
                else
                    (writes ? r.outRowBytes : r.inRowBytes) -= 1;
            };
            TestHost host(6, 40, kModeRGB, 8, 3, options);
            host.fill();
            const std::vector<uint8_t> before = host.image;
            // Untouched, the window would give the host image back; painted, it would not.
            paint(0xFF102030u);
            InProcessPlugin::sessions = 0;
            if (writes) {
                EXPECT_EQ(run(host), kResultBadParameters) << nullData;
                EXPECT_EQ(host.image, before) << nullData;
                EXPECT_EQ(InProcessPlugin::plugin().pixels(), nullptr) << nullData;
            } else {
                EXPECT_EQ(run(host), kResultOk) << nullData;
                EXPECT_EQ(seen, std::vector<uint32_t>(240, 0)) << nullData;
            }
            EXPECT_EQ(InProcessPlugin::sessions, 1);
        }
}

// A block the host kept from something else is too small to be ours: it is replaced, not
// written past its end.
TEST_F(FilterPluginTest, AParameterBlockTooSmallToBeOursIsReplaced) {
    TestHost host(4, 4, kModeRGB, 8, 3);
    host.record.parameters = PlatformHandles::create(16);
    std::memset(*host.record.parameters, 0x5A, 16);
    ASSERT_EQ(run(host), kResultOk);
    ASSERT_EQ(PlatformHandles::size(host.record.parameters), int32_t(sizeof(ParameterBlock)));
    const auto* block = reinterpret_cast<const ParameterBlock*>(*host.record.parameters);
    EXPECT_EQ(block->placementMethod, 0);
    EXPECT_EQ(block->paletteText(), "");
}

// Nothing unwinds into the host: memory running out inside the window ends the call with
// "out of memory", and the pixel buffer is not kept for a finish that will not come.
TEST_F(FilterPluginTest, FailuresInsideTheWindowEndAtTheEntryPoint) {
    TestHost host(8, 8, kModeRGB, 8, 3);
    host.fill();
    const std::vector<uint8_t> before = host.image;
    recordPixels();
    {
        const AllocationFailure noMemory(64);
        EXPECT_EQ(host.call(InProcessPlugin::entry, kSelectorStart), kResultOutOfMemory);
    }
    EXPECT_EQ(host.image, before);
    EXPECT_EQ(InProcessPlugin::plugin().pixels(), nullptr);
}
