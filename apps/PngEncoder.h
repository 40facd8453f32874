#pragma once

#include <cstdio>
#include <string>

#include "engine/DeepPixelBuffer.h"
#include "engine/PixelBuffer.h"

// Encodes pictures as PNG onto an open stream: 8-bit RGBA for a PixelBuffer, 16-bit RGBA for a
// DeepPixelBuffer (its 8-bit coverage widened to 16 bits, 255 -> 65535). The stream is left open
// and not flushed.
class PngEncoder {
public:
    // True on success; otherwise `error` says why in one line.
    static bool write(const PixelBuffer& picture, std::FILE* stream, std::string& error);
    static bool write(const DeepPixelBuffer& picture, std::FILE* stream, std::string& error);
};
