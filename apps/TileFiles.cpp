#include "apps/TileFiles.h"

#include "apps/SignalHold.h"

bool TileFiles::add(const std::string& path, const PixelBuffer& picture, std::string& error) {
    PngFile::Staged file;
    if (!PngFile::stage(picture, path, file, error))
        return false;
    staged_.push_back(std::move(file));
    bits_.push_back(8);
    return true;
}

bool TileFiles::add(const std::string& path, const DeepPixelBuffer& picture, std::string& error) {
    PngFile::Staged file;
    if (!PngFile::stage(picture, path, file, error))
        return false;
    staged_.push_back(std::move(file));
    bits_.push_back(16);
    return true;
}

bool TileFiles::commit(std::string& error) {
    SignalHold hold;
    bool placed = true;
    for (size_t i = 0; i < staged_.size() && placed; ++i) {
        const std::string path = staged_[i].path();
        placed = PngFile::place(staged_[i], error);
        if (placed)
            written_.push_back({path, bits_[i]});
    }
    staged_.clear();
    bits_.clear();
    return placed;
}
