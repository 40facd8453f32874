#include "engine/ImageTransform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

#include <gtest/gtest.h>

#include "support/Pictures.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Pixels whose alpha is (up to the truncation of a sample) fully opaque.
uint32_t opaqueCount(const PixelBuffer& image) {
    uint32_t n = 0;
    for (uint32_t i = 0; i < image.count(); ++i)
        n += alphaOf(image.pixels()[i]) >= 254;
    return n;
}

double alphaSum(const PixelBuffer& image) {
    double sum = 0;
    for (uint32_t i = 0; i < image.count(); ++i)
        sum += alphaOf(image.pixels()[i]);
    return sum;
}

bool channelsWithin(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = int((actual >> shift) & 0xFF), e = int((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance)
            return false;
    }
    return true;
}

} // namespace

// At a pixel's centre the sample is that pixel; towards the outside it fades to transparent
// black: half a pixel from the edge pixel's centre half of every channel, at a corner a quarter.
TEST(ImageTransform, BilinearSampleIsThePixelAtItsCentreAndFadesOutsideTheImage) {
    PixelBuffer numbered(3, 2);
    for (uint32_t i = 0; i < numbered.count(); ++i)
        numbered.pixels()[i] = makePixel(200 + i, 10 * i, 7 * i + 1, 255 - i);
    for (uint32_t i = 0; i < numbered.count(); ++i)
        EXPECT_EQ(bilinearSample(numbered, i % 3 + 0.5, i / 3 + 0.5), numbered.pixels()[i]) << i;

    PixelBuffer image = filledPicture(3, 3, makePixel(200, 100, 50, 20));
    EXPECT_EQ(bilinearSample(image, 0.0, 1.5), makePixel(100, 50, 25, 10));
    EXPECT_EQ(bilinearSample(image, 3.0, 1.5), makePixel(100, 50, 25, 10));
    EXPECT_EQ(bilinearSample(image, 0.0, 0.0), makePixel(50, 25, 12, 5));
    EXPECT_EQ(bilinearSample(image, -0.5, 1.5), 0u);
    EXPECT_EQ(bilinearSample(image, 1e300, -1e300), 0u);
    EXPECT_EQ(bilinearSample(image, std::nan(""), 1.5), 0u);
    EXPECT_EQ(bilinearSample(PixelBuffer(), 0.5, 0.5), 0u);
}

// The target holds the whole turned image plus a margin, including turns where the projections
// of the half extents are negative, and resampling keeps the covered area.
TEST(ImageTransform, TurnedImageFitsItsBoundingBoxPlusMarginAndKeepsItsArea) {
    PixelBuffer image = filledPicture(60, 20, 0xFFFFFFFFu);
    image.at(0, 0) = 0xFFFF0000u;
    for (double angle : {0.0, kPi / 2, kPi, 3 * kPi / 2, -kPi, 0.3, 2.0, 4.0, 5.5}) {
        PixelBuffer turned = rotateImage(image, angle);
        const double halfW = 30 * std::fabs(std::cos(angle)) + 10 * std::fabs(std::sin(angle));
        const double halfH = 30 * std::fabs(std::sin(angle)) + 10 * std::fabs(std::cos(angle));
        EXPECT_GE(turned.width(), 2 * halfW) << angle;
        EXPECT_LE(turned.width(), 2 * halfW + 2) << angle;
        EXPECT_GE(turned.height(), 2 * halfH) << angle;
        EXPECT_LE(turned.height(), 2 * halfH + 2) << angle;
        EXPECT_NEAR(alphaSum(turned) / 255.0, 1200.0, 24.0) << angle;
        if (std::abs(std::remainder(angle, kPi / 2)) < 1e-12) {
            EXPECT_EQ(opaqueCount(turned), image.count()) << angle;
            EXPECT_EQ(turned.width() + turned.height(), 84u) << angle;
        }
    }
    // A quarter turn takes source (i, j) to target (20 - j, i + 1): the top-left corner to the
    // top right. Turning back a quarter is turning on three.
    const PixelBuffer quarter = rotateImage(image, kPi / 2);
    EXPECT_TRUE(channelsWithin(quarter.at(20, 1), 0xFFFF0000u, 1)) << std::hex << quarter.at(20, 1);
    EXPECT_EQ(alphaOf(quarter.at(21, 1)), 0u);
    EXPECT_EQ(alphaOf(quarter.at(20, 0)), 0u);
    EXPECT_TRUE(samePixels(rotateImage(image, -kPi / 2), rotateImage(image, 3 * kPi / 2)));
}

// A flat opaque chunk stays exactly its colour, alpha 255, wherever all four taps of a sample
// fall inside it, at any scale or turn of the wheel: a pasted chunk leaves no pixel uncovered.
TEST(ImageTransform, FlatOpaqueImageKeepsItsColourWhenScaledOrTurned) {
    const uint32_t colour = makePixel(255, 201, 77, 13);
    const PixelBuffer flat = filledPicture(40, 30, colour);
    auto inner = [&](const PixelBuffer& image, uint32_t margin) {
        uint32_t off = 0;
        for (uint32_t y = margin; y + margin < image.height(); ++y)
            for (uint32_t x = margin; x + margin < image.width(); ++x)
                off += image.at(x, y) != colour;
        return off;
    };
    for (double factor : {1.25, 1.5625, 0.75, 1.1, 0.9, 0.81})
        EXPECT_EQ(inner(scaleImage(flat, factor), 2), 0u) << factor;
    // Turned, the corners are transparent: look at the middle only.
    for (double angle : {0.0872664626, 0.3, 2.0, -1.0}) {
        const PixelBuffer turned = rotateImage(flat, angle);
        const uint32_t margin = std::max(turned.width(), turned.height()) / 2 - 8;
        EXPECT_EQ(inner(turned, margin), 0u) << angle;
    }
}

TEST(ImageTransform, HalvingTruncatesTheSizeAndAveragesPairsOfColumns) {
    const PixelBuffer odd = scaleImage(filledPicture(101, 50, 0xFF000000u), 0.5);
    EXPECT_EQ(odd.width(), 50u);
    EXPECT_EQ(odd.height(), 25u);
    PixelBuffer stripes(8, 4);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 8; ++x)
            stripes.at(x, y) = x % 2 ? makePixel(255, 0, 0, 0) : makePixel(255, 200, 100, 60);
    PixelBuffer halved = scaleImage(stripes, 0.5);
    ASSERT_EQ(halved.count(), 8u);
    // Every sample falls exactly between a light and a dark column.
    for (uint32_t i = 0; i < halved.count(); ++i)
        EXPECT_EQ(halved.pixels()[i], makePixel(255, 100, 50, 30)) << i;
}

// A huge but finite angle is reduced, not looped over.
TEST(ImageTransform, UnusableAngleFactorOrImageGivesAnEmptyBuffer) {
    const PixelBuffer image = filledPicture(3, 40, 0xFFFFFFFFu);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double angle : {nan, inf})
        EXPECT_EQ(rotateImage(image, angle).count(), 0u) << angle;
    EXPECT_EQ(rotateImage(PixelBuffer(), 1.0).count(), 0u);
    EXPECT_GT(rotateImage(image, 1e300).count(), 0u);

    EXPECT_EQ(scaleImage(image, 0.2).count(), 0u); // 0 x 8
    for (double factor : {0.0, -1.0, nan, inf, 1e12, 5e-324}) {
        const PixelBuffer scaled = scaleImage(image, factor);
        EXPECT_EQ(scaled.count(), 0u) << factor;
        EXPECT_EQ(scaled.width(), 0u) << factor;
    }
}
