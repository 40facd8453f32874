#include <gtest/gtest.h>

#include <new>

#include "engine/MaskBuffer.h"
#include "engine/PixelBuffer.h"

// 65536 x 65537 wraps to 65536 in 32 bits: a buffer of that many words would be indexed far
// past its end. Sizes are counted in 64 bits and anything above 2^31 pixels is refused like
// memory that ran out; the largest size allowed is counted exactly.
TEST(BufferSize, SizesBeyondTwoToTheThirtyOneAreRefusedAndOthersCountedIn64Bits) {
    uint32_t host = 0; // stands for host memory; only the size is looked at
    EXPECT_THROW(PixelBuffer(65536, 65537), std::bad_alloc);
    EXPECT_THROW(PixelBuffer::aliasing(65536, 65537, &host), std::bad_alloc);
    EXPECT_THROW(PixelBuffer::copyOf(65536, 32769, &host), std::bad_alloc);
    EXPECT_THROW(MaskBuffer(0x10000, 0x10001), std::bad_alloc);
    EXPECT_EQ(PixelBuffer::aliasing(65536, 32768, &host).count(), size_t(1) << 31);
    EXPECT_EQ(PixelBuffer::aliasing(4294967295u, 0, &host).count(), 0u);

    MaskBuffer mask(3, 2, 7);
    EXPECT_THROW(mask.reset(65536, 65537), std::bad_alloc);
    EXPECT_EQ(mask.width(), 3u);
    EXPECT_EQ(mask.count(), 6u);
    EXPECT_EQ(mask[5], 7);
}
