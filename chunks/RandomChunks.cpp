#include "chunks/RandomChunks.h"

#include <algorithm>
#include <cmath>

#include "chunks/ChunkLimits.h"

namespace {

// Side of a generated chunk along an image side. Clamped so that the number of free
// positions (side - chunk + 1) is never 0, which the modulo below would divide by.
int64_t chunkSide(int64_t side, float fraction) {
    const float f = std::isnan(fraction) ? 0.0f : std::clamp(fraction, 0.0f, 1.0f);
    // Float, as the dialog computes it: 100 x 0.29f gives 29 here but 28 in double.
    const auto scaled = int64_t(std::trunc(float(side) * f));
    return std::clamp<int64_t>(scaled, 1, side);
}

Box randomBox(int64_t width, int64_t height, int64_t cw, int64_t ch, RandomGenerator& random) {
    const int64_t y0 = random.next() % (height - ch + 1);
    const int64_t x0 = random.next() % (width - cw + 1);
    return Box(int32_t(x0), int32_t(y0), int32_t(x0 + cw - 1), int32_t(y0 + ch - 1));
}

} // namespace

bool generateChunks(ImageCollection& images, uint32_t key, int32_t count, float fraction,
                    RandomGenerator& random) {
    InputImage* image = images.find(key);
    if (image == nullptr || count < 1)
        return false;
    const int64_t width = image->pixels().width();
    const int64_t height = image->pixels().height();
    if (width < 1 || height < 1)
        return false;

    const float share = 1.0f / float(images.chunkCount());
    const int64_t cw = chunkSide(width, fraction);
    const int64_t ch = chunkSide(height, fraction);
    const size_t previous = image->currentChunk();
    for (int32_t i = 0; i < count; ++i) {
        image->addChunk();
        Chunk& chunk = image->current();
        setBounds(chunk, randomBox(width, height, cw, ch, random));
        chunk.probability = share;
    }
    images.normaliseProbabilities(-1.0f);
    image->setCurrentChunk(previous);
    return true;
}
