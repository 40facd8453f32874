#include <gtest/gtest.h>

#include <QImage>

#include <cstring>
#include <functional>

#include "AppsTestSupport.h"
#include "apps/HostStateFile.h"
#include "apps/StandInHost.h"
#include "host/ParameterBlock.h"
#include "support/InProcessPlugin.h"

namespace {

QImage picture(bool alpha) {
    QImage image(23, 70, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 11, y * 3, (x * y) % 256, alpha ? 40 + x * 9 : 255));
    return image;
}

int largestSampleDifference(const HostImage& a, const HostImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int c = 0; c < a.planes(); ++c)
                worst = std::max(worst, std::abs(int(a.sample(x, y, c)) - int(b.sample(x, y, c))));
    return worst;
}

} // namespace

// The filter works in 8 bits: 16-bit samples of a picture come back on the nearest of its
// levels. Lab is compared in its own components, whose steps are coarser than RGB's.
TEST(StandInHost, ApplyingUntouchedGivesBackThePictureInEveryModeTheFilterTakes) {
    const HostColourEngine colours;
    const struct {
        const char* mode;
        bool alpha;
        StandInHost::Variant variant;
        int shownTolerance;
        int sampleTolerance;
    } cases[] = {
        {"rgb", true, {}, 0, 0},
        {"rgb16", true, {}, 1, 128},
        {"gray", false, {}, 0, 0},
        {"gray16", true, {true, true, false, false}, 1, 128},
        {"cmyk", true, {}, 0, 1},
        {"lab", false, {true, true, false, false}, 255, 1},
        {"hsb", false, {}, 1, 255},
        {"hsl", true, {}, 1, 255},
        {"multichannel", false, {}, 0, 0},
        {"duotone", false, {}, 0, 0},
    };
    for (const auto& c : cases) {
        InProcessPlugin::session = nullptr;
        HostImage image = HostImage::fromPicture(picture(c.alpha), *HostImage::modeNamed(c.mode), colours);
        const HostImage original = image;
        const QImage before = image.toPicture(colours);
        StandInHost host(image, c.variant, colours);
        StandInHost::Kept kept;
        EXPECT_EQ(host.run(InProcessPlugin::entry, 0, kept), kResultOk) << c.mode;
        EXPECT_LE(largestDifference(image.toPicture(colours), before), c.shownTolerance) << c.mode;
        EXPECT_LE(largestSampleDifference(image, original), c.sampleTolerance) << c.mode;
        EXPECT_EQ(image.toPicture(colours).depth(), std::string(c.mode).find("16") != std::string::npos ? 64 : 32);
    }
}

TEST(StandInHost, WhatTheFilterPaintsLandsInTheHostImage) {
    const HostColourEngine colours;
    HostImage image = HostImage::fromPicture(picture(false), *HostImage::modeNamed("cmyk"), colours);
    InProcessPlugin::session = [](int w, int h, uint32_t* p) {
        std::fill(p, p + size_t(w) * h, 0xFF2060A0u);
        return true;
    };
    StandInHost host(image, {}, colours);
    StandInHost::Kept kept;
    ASSERT_EQ(host.run(InProcessPlugin::entry, 0, kept), kResultOk);
    // 0x2060A0: black 255 - 160 = 95; cyan (255 - 32 - 95) * 255 / 160 = 204
    EXPECT_EQ(image.sample(22, 69, 3), 95);
    EXPECT_EQ(image.sample(22, 69, 0), 204);
    EXPECT_EQ(image.toPicture(colours).pixel(5, 5), 0xFF2060A0u);
}

TEST(StandInHost, ASecondRunSeesWhatTheFirstLeftThroughTheStateFile) {
    const HostColourEngine colours;
    HostImage image = HostImage::fromPicture(picture(false), *HostImage::modeNamed("rgb"), colours);
    InProcessPlugin::session = nullptr;
    StandInHost::Kept kept;
    {
        StandInHost first(image, {}, colours);
        ASSERT_EQ(first.run(InProcessPlugin::entry, 0, kept), kResultOk);
    }
    ASSERT_EQ(kept.parameters.size(), sizeof(ParameterBlock));
    ASSERT_EQ(kept.descriptor.size(), 7u);
    // As an action edited between runs would: a different jitter and palette.
    kept.descriptor[3].integer = 42;
    kept.descriptor[6].text = "/textures/stone.png";
    std::string error;
    StandInHost::Kept reloaded;
    ASSERT_TRUE(HostStateFile::parse(HostStateFile::format(kept), reloaded, error)) << error;

    StandInHost second(image, {}, colours);
    ASSERT_EQ(second.run(InProcessPlugin::entry, 0, reloaded), kResultOk);
    ParameterBlock block;
    std::memcpy(&block, reloaded.parameters.data(), sizeof block);
    EXPECT_EQ(block.jittering, 42);
    EXPECT_EQ(block.paletteText(), "/textures/stone.png");
    EXPECT_EQ(reloaded.descriptor[3].integer, 42);
}

TEST(StandInHost, CancellingKeepsTheHostImageAndTheParameters) {
    const HostColourEngine colours;
    HostImage image = HostImage::fromPicture(picture(true), *HostImage::modeNamed("rgb"), colours);
    const QImage before = image.toPicture(colours);
    InProcessPlugin::session = [](int w, int h, uint32_t* p) {
        std::fill(p, p + size_t(w) * h, 0u);
        return false;
    };
    StandInHost host(image, {}, colours);
    StandInHost::Kept kept;
    EXPECT_EQ(host.run(InProcessPlugin::entry, 0, kept), kResultNotApplied);
    EXPECT_EQ(largestDifference(image.toPicture(colours), before), 0);
    EXPECT_EQ(kept.parameters.size(), sizeof(ParameterBlock));
    EXPECT_FALSE(kept.hasDescriptor);
}

TEST(StandInHost, SixteenBitSamplesUseTheHostsScaleBothWays) {
    EXPECT_EQ(HostImage::toHostScale(65535), 32768);
    EXPECT_EQ(HostImage::toHostScale(0), 0);
    EXPECT_EQ(HostImage::fromHostScale(32768), 65535);
    for (uint32_t s = 0; s <= 32768; ++s)
        ASSERT_EQ(HostImage::toHostScale(HostImage::fromHostScale(uint16_t(s))), s);
}
