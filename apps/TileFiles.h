#pragma once

#include <string>
#include <vector>

#include "apps/PngFile.h"
#include "engine/DeepPixelBuffer.h"
#include "engine/PixelBuffer.h"

// The PNG files of one run, written as a set. Each is first written complete beside its target;
// commit() then puts them in place one after the other with Ctrl+C held back, so that the
// targets are all new or, when anything fails before, all as they were. What is not committed
// is removed when the set goes.
class TileFiles {
public:
    struct Written {
        std::string path;
        int bits = 8; // per channel
    };

    // Writes `picture` beside `path` as an 8-bit (PixelBuffer) or 16-bit (DeepPixelBuffer) RGBA
    // PNG. False, with `error` naming the file, when it cannot; the set is then still usable.
    bool add(const std::string& path, const PixelBuffer& picture, std::string& error);
    bool add(const std::string& path, const DeepPixelBuffer& picture, std::string& error);
    // Puts every added file in place, in the order added. A failure at this point (rare: the
    // folders took the files already) keeps the files placed before and drops the rest;
    // `error` names the file.
    bool commit(std::string& error);

    // Files in place, in order.
    const std::vector<Written>& written() const { return written_; }

private:
    std::vector<PngFile::Staged> staged_;
    std::vector<int> bits_;
    std::vector<Written> written_;
};
