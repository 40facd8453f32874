#include "apps/TileFiles.h"

#include "apps/PngEncoder.h"
#include "apps/SignalHold.h"

template <typename Picture>
bool TileFiles::stage(const std::string& path, const Picture& picture, int bits, std::string& error) {
    if (picture.count() == 0) {
        error = "cannot write '" + path + "': nothing to write";
        return false;
    }
    StagedFile file;
    if (!file.open(path, error))
        return false;
    std::string why;
    if (!PngEncoder::write(picture, file.stream(), why)) {
        error = "cannot write '" + path + "': " + why;
        return false;
    }
    if (!file.finish(error))
        return false;
    staged_.push_back(std::move(file));
    bits_.push_back(bits);
    return true;
}

bool TileFiles::add(const std::string& path, const PixelBuffer& picture, std::string& error) {
    return stage(path, picture, 8, error);
}

bool TileFiles::add(const std::string& path, const DeepPixelBuffer& picture, std::string& error) {
    return stage(path, picture, 16, error);
}

bool TileFiles::commit(std::string& error) {
    SignalHold hold;
    for (size_t i = 0; i < staged_.size(); ++i) {
        if (!staged_[i].place(error)) {
            staged_.clear();
            bits_.clear();
            return false;
        }
        written_.push_back({staged_[i].target(), bits_[i]});
    }
    staged_.clear();
    bits_.clear();
    return true;
}
