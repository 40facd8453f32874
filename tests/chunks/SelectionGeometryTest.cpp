#include "chunks/ScanConverter.h"
#include "chunks/SelectionGeometry.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

// Number of nonzero bytes in the mask.
int64_t setCount(const MaskBuffer& mask) {
    int64_t n = 0;
    for (uint32_t i = 0; i < mask.count(); ++i)
        n += mask[i] != 0;
    return n;
}

// True when exactly the pixels of `box` are nonzero.
bool isExactlyBox(const MaskBuffer& mask, const Box& box) {
    for (uint32_t y = 0; y < mask.height(); ++y)
        for (uint32_t x = 0; x < mask.width(); ++x) {
            const bool inside = int32_t(x) >= box.x0 && int32_t(x) <= box.x1 && int32_t(y) >= box.y0 &&
                                int32_t(y) <= box.y1;
            if ((mask.at(x, y) != 0) != inside)
                return false;
        }
    return true;
}

} // namespace

TEST(SelectionGeometry, BoundingBoxOfSetFindsTheOuterMostBytes) {
    MaskBuffer mask(10, 8);
    EXPECT_EQ(boundingBoxOfSet(mask), Box(10, 8, -1, -1));
    EXPECT_TRUE(boundingBoxOfSet(mask).isEmpty());
    EXPECT_FALSE(hasSetByte(mask));
    mask.at(7, 1) = 1;
    mask.at(2, 5) = 255;
    mask.at(3, 6) = 9;
    EXPECT_EQ(boundingBoxOfSet(mask), Box(2, 1, 7, 6));
    EXPECT_TRUE(hasSetByte(mask));
    EXPECT_TRUE(boundingBoxOfSet(MaskBuffer()).isEmpty());
}

TEST(SelectionGeometry, CropMaskKeepsImagePositionsAndFillsTheRest) {
    MaskBuffer source(4, 3);
    for (uint32_t i = 0; i < source.count(); ++i)
        source[i] = uint8_t(i + 1);
    const Box from(10, 20, 13, 22);

    // Enlarged: the source sits at its image position inside the fill.
    MaskBuffer grown = cropMask(source, from, Box(8, 19, 14, 23), 7);
    ASSERT_EQ(grown.width(), 7u);
    ASSERT_EQ(grown.height(), 5u);
    EXPECT_EQ(grown.at(2, 1), source.at(0, 0));
    EXPECT_EQ(grown.at(5, 3), source.at(3, 2));
    EXPECT_EQ(grown.at(1, 1), 7);
    EXPECT_EQ(grown.at(6, 4), 7);

    // Shrunk: only the overlapping part.
    MaskBuffer cut = cropMask(source, from, Box(12, 21, 13, 22), 0);
    ASSERT_EQ(cut.count(), 4u);
    EXPECT_EQ(cut.at(0, 0), source.at(2, 1));
    EXPECT_EQ(cut.at(1, 1), source.at(3, 2));

    // Disjoint, or a source smaller than its box: nothing is read beyond the source.
    EXPECT_EQ(setCount(cropMask(source, from, Box(0, 0, 3, 3), 0)), 0);
    MaskBuffer padded = cropMask(source, Box(0, 0, 9, 9), Box(0, 0, 9, 9), 0);
    EXPECT_EQ(setCount(padded), 12);
    EXPECT_EQ(cropMask(source, from, Box(0, 0, 1 << 30, 1 << 30), 0).count(), 0u);
}

TEST(SelectionGeometry, BlitWrappedContinuesOnTheOtherSide) {
    MaskBuffer source(3, 2, 5);
    MaskBuffer destination(4, 4);
    blitWrapped(destination, source, Box(0, 0, 2, 1), 2, 3);
    EXPECT_EQ(setCount(destination), 6);
    for (auto [x, y] : {std::pair{2, 3}, {3, 3}, {0, 3}, {2, 0}, {3, 0}, {0, 0}})
        EXPECT_EQ(destination.at(x, y), 5) << x << "," << y;

    // A source box reaching past its source is clipped; far and negative offsets still wrap.
    MaskBuffer other(4, 4);
    blitWrapped(other, source, Box(1, -1, 9, 0), -5, 9);
    EXPECT_EQ(setCount(other), 2);
    EXPECT_EQ(other.at(3, 2), 5); // -5 wraps to 3, row 9 + 1 to 2
    EXPECT_EQ(other.at(0, 2), 5);
}

TEST(SelectionGeometry, AndClearsBytesWithoutAPartner) {
    MaskBuffer a(3, 2, 200), b(2, 2, 0);
    b.at(1, 0) = 1;
    andMasks(a, b);
    EXPECT_EQ(setCount(a), 1);
    EXPECT_EQ(a.at(1, 0), 200);
}

TEST(ScanConverter, BoxesAreFilledInclusivelyAndClipped) {
    MaskBuffer mask(10, 10);
    fillBox(mask, Box(2, 3, 4, 3), 255);
    EXPECT_TRUE(isExactlyBox(mask, Box(2, 3, 4, 3)));
    fillBox(mask, Box(-100, 8, 100, 200), 255);
    fillBox(mask, Box(2, 3, 4, 3), 0);
    EXPECT_TRUE(isExactlyBox(mask, Box(0, 8, 9, 9)));
    fillBox(mask, Box::empty(), 255);
    EXPECT_EQ(setCount(mask), 20);
}

TEST(ScanConverter, PolygonIncludesItsOutline) {
    // A square through pixel centres covers its corner pixels, in either orientation.
    const std::vector<PixelPoint> square{{2, 2}, {6, 2}, {6, 5}, {2, 5}};
    const std::vector<PixelPoint> reversed(square.rbegin(), square.rend());
    for (const auto& points : {square, reversed}) {
        MaskBuffer mask(10, 10);
        fillPolygon(mask, points, 255);
        EXPECT_TRUE(isExactlyBox(mask, Box(2, 2, 6, 5)));
    }
    // A right triangle: its diagonal and legs are set, the far corner is not.
    MaskBuffer triangle(10, 10);
    fillPolygon(triangle, std::vector<PixelPoint>{{0, 0}, {8, 0}, {0, 8}}, 255);
    EXPECT_EQ(triangle.at(4, 4), 255);
    EXPECT_EQ(triangle.at(0, 8), 255);
    EXPECT_EQ(triangle.at(8, 8), 0);
    EXPECT_EQ(triangle.at(5, 5), 0);
}

TEST(ScanConverter, SelfOverlappingPolygonFillsByNonZeroWinding) {
    // A five-pointed star drawn in one stroke winds twice around its centre.
    const std::vector<PixelPoint> star{{20, 2}, {31, 35}, {3, 14}, {37, 14}, {9, 35}};
    MaskBuffer mask(41, 41);
    fillPolygon(mask, star, 255);
    EXPECT_EQ(mask.at(20, 20), 255);
    EXPECT_EQ(mask.at(20, 12), 255);
    EXPECT_EQ(mask.at(3, 3), 0);
    EXPECT_EQ(mask.at(20, 38), 0);
}

TEST(ScanConverter, DegenerateOrFarAwayPolygonsStayInsideTheMask) {
    MaskBuffer mask(16, 16);
    fillPolygon(mask, std::vector<PixelPoint>{}, 255);
    fillPolygon(mask, std::vector<PixelPoint>{{3, 3}}, 255);
    fillPolygon(mask, std::vector<PixelPoint>{{1, 1}, {6, 6}}, 255);
    EXPECT_EQ(setCount(mask), 0);

    constexpr int32_t far = 2'000'000'000;
    fillPolygon(mask, std::vector<PixelPoint>{{-far, -far}, {far, -far}, {far, far}, {-far, far}}, 255);
    EXPECT_EQ(setCount(mask), 256);

    // Half-plane x <= 7 from a huge triangle: clipping keeps the shape.
    MaskBuffer half(16, 16);
    fillPolygon(half, std::vector<PixelPoint>{{7, -far}, {7, far}, {-far, 0}}, 255);
    EXPECT_TRUE(isExactlyBox(half, Box(0, 0, 7, 15)));

    MaskBuffer line(16, 16);
    drawLine(line, {-far, 3}, {far, 3}, 9);
    EXPECT_TRUE(isExactlyBox(line, Box(0, 3, 15, 3)));
}
