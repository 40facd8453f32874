#pragma once

#include <map>

#include "chunks/CompanionMap.h"
#include "chunks/ImageCollection.h"
#include "engine/DeepPixelBuffer.h"
#include "engine/MaskBuffer.h"
#include "engine/PasteRecord.h"
#include "engine/PixelBuffer.h"

// The map that stands in for each input image, by image key; not owned.
using CompanionMaps = std::map<uint32_t, const CompanionMap*>;

enum class ReplayOutcome {
    Done,
    IncompleteRecord, // the record misses pastes of the run
    UnknownChunk,     // a paste names an image or chunk that is not in the collection
    MissingMap,       // a paste came from an image without a map
    MapSizeDiffers,   // a map has not its image's size
    DeepMapOn8Bits,   // a 16-bit map asked for on an 8-bit canvas
    OutOfMemory,
};

// Gives companion maps the pastes of a finished (or stopped) run: every paste of the record is
// made again on a canvas of the output's size, cut from the map of the image its chunk came
// from, over the same chunk region, at the same place, with the same weights. The alpha of each
// chunk pixel is the input's (with the chunk's outer limit and the pre-filter, as pasted), so the
// canvas's coverage follows the run's output exactly; the colour is the map's own. A map equal to
// its input's working pixels therefore gives the run's output bit for bit.
class CompanionReplay {
public:
    // `images`: the run's inputs, their chunks unchanged since the run; `record`: its pastes.
    // Both must outlive the replay.
    CompanionReplay(ImageCollection& images, const PasteRecord& record) : images_(images), record_(record) {}

    // Replays onto `canvas`, which must have the output's size and start transparent (all 0).
    // On any outcome but Done the canvas holds a part of the replay and must not be used.
    ReplayOutcome replay(const CompanionMaps& maps, PixelBuffer& canvas);
    // The same on 16 bits per channel; 8-bit maps are widened (v * 257).
    ReplayOutcome replay(const CompanionMaps& maps, DeepPixelBuffer& canvas);

private:
    template <typename Canvas>
    ReplayOutcome replayOn(const CompanionMaps& maps, Canvas& canvas);
    void paste(PixelBuffer& canvas, const PasteRecord::Entry& entry, size_t index);
    void paste(DeepPixelBuffer& canvas, const PasteRecord::Entry& entry, size_t index);
    ReplayOutcome cutChunk(const CompanionMaps& maps, ChunkSource source, bool deep);
    void fillChunk(const CompanionMap& map, const Box& bounds);
    void fillDeepChunk(const CompanionMap& map, const Box& bounds);

    ImageCollection& images_;
    const PasteRecord& record_;
    PixelBuffer inputChunk_; // the input's chunk pixels, for their alpha
    PixelBuffer chunk_;      // the map's chunk on 8 bits
    DeepPixelBuffer deepChunk_;
    MaskBuffer weights_;
};
