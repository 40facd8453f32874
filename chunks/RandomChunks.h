#pragma once

#include <cstdint>

#include "chunks/ImageCollection.h"
#include "engine/RandomGenerator.h"

// "Generate Randomly...": adds `count` rectangular chunks at random places of the image with
// key `key`. Each chunk is trunc(width x fraction) by trunc(height x fraction) pixels (at least
// 1, at most the image), products in float; the top-left corner draws its row first, then its
// column, each as random.next() modulo the number of free positions. The new chunks start at the
// share 1 / (chunk count before the call) and all shares are then normalised for the new count.
// The image's current chunk is the same afterwards. The caller seeds `random` (the session seeds
// it with clock()). Returns false, changing nothing, for an unknown key, an empty image or a
// count below 1. A fraction outside 0..1 counts as the nearest end, NaN as 0.
bool generateChunks(ImageCollection& images, uint32_t key, int32_t count, float fraction,
                    RandomGenerator& random);
