#include "apps/CompanionTiles.h"

#include <QFile>
#include <QImage>
#include <QRgba64>

#include <cstring>

#include "apps/TerminalWarnings.h"
#include "chunks/CompanionReplay.h"
#include "chunks/PreFilter.h"
#include "session/ImageLoader.h"

namespace {

bool anyDeep(const std::vector<CompanionMap>& maps) {
    for (const CompanionMap& map : maps)
        if (map.isDeep())
            return true;
    return false;
}

std::string sizeText(QSize size) { return std::to_string(size.width()) + " x " + std::to_string(size.height()); }

} // namespace

CompanionMap CompanionTiles::toMap(const QImage& image) {
    CompanionMap map;
    const uint32_t w = uint32_t(image.width()), h = uint32_t(image.height());
    if (image.format() == QImage::Format_RGBA64) {
        map.deepPixels = DeepPixelBuffer(w, h);
        for (uint32_t y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const QRgba64*>(image.constScanLine(int(y)));
            for (uint32_t x = 0; x < w; ++x)
                map.deepPixels.at(x, y) = DeepPixel{row[x].red(), row[x].green(), row[x].blue(), 0};
        }
        return map;
    }
    const QImage words = image.format() == QImage::Format_ARGB32 ? image : image.convertToFormat(QImage::Format_ARGB32);
    map.pixels = PixelBuffer(w, h);
    for (uint32_t y = 0; y < h; ++y)
        std::memcpy(&map.pixels.at(0, y), words.constScanLine(int(y)), size_t(w) * 4);
    return map;
}

bool CompanionTiles::loadMaps(const std::vector<CompanionOption>& companions, const std::vector<LoadedInput>& inputs,
                              ImageLoader& loader, QSize outputSize) {
    companions_ = companions;
    maps_.assign(companions.size(), {});
    for (size_t c = 0; c < companions.size(); ++c) {
        const CompanionOption& companion = companions[c];
        for (size_t i = 0; i < companion.maps.size() && i < inputs.size(); ++i) {
            const std::string& path = companion.maps[i];
            QSize fileSize;
            const QImage image = loader.readFile(QFile::decodeName(path.c_str()), outputSize, &fileSize);
            if (image.isNull())
                return false; // the loader said why
            if (fileSize != inputs[i].fileSize) {
                err_ << prefix_ << "companion map '" << path << "' is " << sizeText(fileSize) << " pixels but its INPUT '"
                     << inputs[i].path << "' is " << sizeText(inputs[i].fileSize)
                     << ": a map must have the size of its INPUT\n";
                return false;
            }
            maps_[c].push_back(toMap(image));
        }
    }
    return true;
}

bool CompanionTiles::needRecord(const std::vector<LoadedInput>& inputs) const {
    if (!companions_.empty())
        return true;
    for (const LoadedInput& input : inputs)
        if (input.original.isDeep())
            return true;
    return false;
}

std::string CompanionTiles::replayProblem(int outcome, const std::string& path) {
    switch (ReplayOutcome(outcome)) {
    case ReplayOutcome::IncompleteRecord:
        return "cannot make '" + path + "': memory ran out while the pastes were recorded";
    case ReplayOutcome::OutOfMemory:
        return "cannot make '" + path + "': not enough memory";
    default:
        return "cannot make '" + path + "': its maps do not match the pastes";
    }
}

bool CompanionTiles::addTiles(const SynthOptions& options, const std::vector<LoadedInput>& inputs,
                              ImageCollection& images, const PasteRecord& record, const PixelBuffer& output,
                              TileFiles& files, std::string& error) {
    bool deepOutput = false;
    for (const LoadedInput& input : inputs)
        deepOutput = deepOutput || input.original.isDeep();
    const bool outputAdded = deepOutput ? addDeepOutput(options, inputs, images, record, files, error)
                                        : files.add(options.output, output, error);
    if (!outputAdded)
        return false;
    for (size_t c = 0; c < companions_.size(); ++c)
        if (!addCompanion(c, options, inputs, images, record, files, error))
            return false;
    return true;
}

// OUT from the 16-bit files, the 8-bit ones as the run pasted them (pre-filtered when asked).
bool CompanionTiles::addDeepOutput(const SynthOptions& options, const std::vector<LoadedInput>& inputs,
                                   ImageCollection& images, const PasteRecord& record, TileFiles& files,
                                   std::string& error) {
    std::vector<CompanionMap> maps(inputs.size());
    CompanionMaps byKey;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const LoadedInput& input = inputs[i];
        InputImage* image = images.find(input.key);
        if (!image)
            continue;
        if (!input.original.isDeep())
            maps[i].pixels = image->workingPixels();
        else if (options.filterRadius > 0)
            maps[i].deepPixels = highPassFilter(input.original.deepPixels, options.filterRadius);
        byKey[input.key] = input.original.isDeep() && options.filterRadius <= 0 ? &input.original : &maps[i];
    }
    DeepPixelBuffer canvas(options.width, options.height);
    const ReplayOutcome outcome = CompanionReplay(images, record).replay(byKey, canvas);
    if (outcome != ReplayOutcome::Done) {
        error = replayProblem(int(outcome), options.output);
        return false;
    }
    return files.add(options.output, canvas, error);
}

// Companions take their maps' own pixels: the pre-filter belongs to the colour INPUTs.
bool CompanionTiles::addCompanion(size_t index, const SynthOptions& options, const std::vector<LoadedInput>& inputs,
                                  ImageCollection& images, const PasteRecord& record, TileFiles& files,
                                  std::string& error) {
    const std::vector<CompanionMap>& maps = maps_[index];
    CompanionMaps byKey;
    for (size_t i = 0; i < maps.size() && i < inputs.size(); ++i)
        byKey[inputs[i].key] = &maps[i];
    const std::string& path = companions_[index].output;
    CompanionReplay replay(images, record);
    ReplayOutcome outcome;
    if (anyDeep(maps)) {
        DeepPixelBuffer canvas(options.width, options.height);
        outcome = replay.replay(byKey, canvas);
        if (outcome == ReplayOutcome::Done)
            return files.add(path, canvas, error);
    } else {
        PixelBuffer canvas(options.width, options.height);
        outcome = replay.replay(byKey, canvas);
        if (outcome == ReplayOutcome::Done)
            return files.add(path, canvas, error);
    }
    error = replayProblem(int(outcome), path);
    return false;
}
