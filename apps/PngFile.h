#pragma once

#include <string>

#include "engine/PixelBuffer.h"

// Writes pixel buffers as 8-bit RGBA PNG files without ever leaving a half-written file under
// any name: the picture goes to an unnamed file in the target's folder, is flushed to disk and
// only then gets a name, taking the target's place in one step. Where the filesystem has no
// unnamed files, a hidden named one stands in; it is removed on any failure the program sees.
class PngFile {
public:
    // How the new file exists until it takes the target's place.
    enum class Staging {
        Unnamed,  // no name at all until complete; falls back to Named where unsupported
        Named     // a hidden file beside the target
    };

    // True on success. On failure `error` says why in one line, nothing is left behind and an
    // existing file at `path` is left as it was. When `path` is a symbolic link, the file it
    // leads to is replaced and the link kept. A replaced file keeps its permission bits (and,
    // where allowed, its owner and group); a new one gets the usual bits for new files.
    static bool writeAtomically(const PixelBuffer& picture, const std::string& path, std::string& error,
                                Staging staging = Staging::Unnamed);

    // True when writeAtomically could create `path` now: its folder exists and takes new files,
    // the name is not too long, and `path` is not a folder. Leaves nothing behind. Meant to be
    // asked before long work whose result would otherwise be lost.
    static bool checkWritable(const std::string& path, std::string& error);

private:
    static bool writeStream(const PixelBuffer& picture, int descriptor, std::string& error);
};
