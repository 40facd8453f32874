#pragma once

#include <QSize>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "apps/SynthOptions.h"
#include "apps/TileFiles.h"
#include "chunks/CompanionMap.h"
#include "chunks/ImageCollection.h"
#include "engine/PasteRecord.h"
#include "engine/PixelBuffer.h"

class ImageLoader;
class QImage;

// An INPUT as loaded, with what the collection's 8-bit copy does not keep.
struct LoadedInput {
    std::string path;
    uint32_t key = 0;
    QSize fileSize;        // before any scale-down
    CompanionMap original; // a file of 16 bits per channel: its pixels at 16 bits, as scaled;
                           // empty for 8-bit files
};

// The tiles `synth` makes from the record of its pastes besides the 8-bit output: OUT itself
// at 16 bits when an INPUT has 16 bits, and one tile per --companion. The maps are read and
// checked before the run, so that a bad map costs no synthesis; after the run the tiles are
// replayed and written one at a time, so that a single tile canvas is held at once.
class CompanionTiles {
public:
    // Messages go to `err`, one line each, after `prefix`.
    CompanionTiles(std::ostream& err, std::string prefix) : err_(err), prefix_(std::move(prefix)) {}

    // Reads every map of `companions` through `loader` (scaled down for `outputSize` as the
    // INPUTs were). False after a one-line message naming the map when one cannot be read or
    // has not the size of its INPUT.
    bool loadMaps(const std::vector<CompanionOption>& companions, const std::vector<LoadedInput>& inputs,
                  ImageLoader& loader, QSize outputSize);

    // True when the run must record its pastes: there are companions or an INPUT of 16 bits.
    bool needRecord(const std::vector<LoadedInput>& inputs) const;

    // Adds OUT (the run's `output`, or replayed at 16 bits) and every companion tile, replayed
    // from `record`, to `files`. `filterRadius` is the pre-filter of the INPUTs, which OUT at 16
    // bits gets too and companions never. False, with `error`, when a tile cannot be made.
    bool addTiles(const SynthOptions& options, const std::vector<LoadedInput>& inputs, ImageCollection& images,
                  const PasteRecord& record, const PixelBuffer& output, TileFiles& files, std::string& error);

    // The pixels of a read image: Format_RGBA64 gives 16 bits, any other format 8.
    static CompanionMap toMap(const QImage& image);

private:
    bool addDeepOutput(const SynthOptions& options, const std::vector<LoadedInput>& inputs, ImageCollection& images,
                       const PasteRecord& record, TileFiles& files, std::string& error);
    bool addCompanion(size_t index, const SynthOptions& options, const std::vector<LoadedInput>& inputs,
                      ImageCollection& images, const PasteRecord& record, TileFiles& files, std::string& error);
    static std::string replayProblem(int outcome, const std::string& path);

    std::ostream& err_;
    std::string prefix_;
    std::vector<CompanionOption> companions_;
    std::vector<std::vector<CompanionMap>> maps_; // per companion, one per INPUT
};
