#include "chunks/Chunk.h"

#include <algorithm>
#include <limits>

namespace {

// Image sizes come from unsigned buffers; saturate rather than wrap to a negative extent.
int32_t toSigned(uint32_t v) {
    return int32_t(std::min<uint32_t>(v, uint32_t(std::numeric_limits<int32_t>::max())));
}

}  // namespace

Chunk::Chunk(uint32_t width, uint32_t height)
    : bounds(0, 0, toSigned(width) - 1, toSigned(height) - 1),
      imageWidth(toSigned(width)),
      imageHeight(toSigned(height)) {}
