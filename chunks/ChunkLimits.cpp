#include "chunks/ChunkLimits.h"

#include <utility>

#include "chunks/SelectionGeometry.h"

namespace {

Box boxOf(const MaskBuffer& mask) { return fullBox(mask.width(), mask.height()); }

Box wholeImage(const Chunk& chunk) { return Box(0, 0, chunk.imageWidth - 1, chunk.imageHeight - 1); }

} // namespace

void setBounds(Chunk& chunk, const Box& box) {
    if (box.isEmpty())
        return;
    chunk.outerMask = MaskBuffer();
    refitInner(chunk, box);
    chunk.bounds = box;
    chunk.empty = false;
}

void setOuterFromMask(Chunk& chunk, const MaskBuffer& imageMask) {
    const Box selected = boundingBoxOfSet(imageMask);
    if (selected.isEmpty()) {
        chunk.outerMask = MaskBuffer();
        chunk.empty = false;
        const Box whole = wholeImage(chunk);
        refitInner(chunk, whole);
        chunk.bounds = whole;
        return;
    }
    chunk.outerMask = cropMask(imageMask, boxOf(imageMask), selected, 0);
    chunk.empty = !hasSetByte(chunk.outerMask);
    refitInner(chunk, selected);
    chunk.bounds = selected;
}

void setInnerFromMask(Chunk& chunk, const MaskBuffer& imageMask) {
    chunk.innerMask = cropMask(imageMask, boxOf(imageMask), chunk.bounds, 0);
    refitInner(chunk, chunk.bounds);
}

void clearInner(Chunk& chunk) { chunk.innerMask = MaskBuffer(); }

void refitInner(Chunk& chunk, const Box& newBox) {
    if (chunk.innerMask.count() == 0)
        return;
    MaskBuffer refitted = cropMask(chunk.innerMask, chunk.bounds, newBox, 0);
    if (chunk.outerMask.count() != 0)
        andMasks(refitted, chunk.outerMask);
    chunk.innerMask = hasSetByte(refitted) ? std::move(refitted) : MaskBuffer();
}
