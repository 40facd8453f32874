#pragma once

#include <string>

#include "engine/PixelBuffer.h"

// Reads a PNG from the shared texture folder into an opaque ARGB buffer, for tests and
// benchmarks. Returns an empty buffer when the file cannot be read.
PixelBuffer loadTexture(const std::string& fileName);
// Reads any PNG path into an ARGB buffer (alpha kept when the file has one).
PixelBuffer loadPng(const std::string& path);
// Full path of a file in the shared texture folder.
std::string texturePath(const std::string& fileName);
