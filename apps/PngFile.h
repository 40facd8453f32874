#pragma once

#include <string>

#include "engine/PixelBuffer.h"

// Writes pixel buffers as 8-bit RGBA PNG files without ever leaving a half-written file under
// the final name: the picture goes to a temporary file in the same folder, is flushed to disk
// and then renamed over the target in one step.
class PngFile {
public:
    // True on success. On failure `error` says why in one line, the temporary file is removed
    // and an existing file at `path` is left as it was.
    static bool writeAtomically(const PixelBuffer& picture, const std::string& path, std::string& error);

private:
    static bool writeStream(const PixelBuffer& picture, int descriptor, std::string& error);
    static std::string temporaryPattern(const std::string& path);
};
