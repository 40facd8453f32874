#pragma once

#include <string>

#include "engine/PixelBuffer.h"

// The test images of tests/data (their origin and licence are in SOURCES.md there), for tests
// and benchmarks. A missing or unreadable file throws std::runtime_error naming it, so the test
// fails with that message and never goes on with an empty buffer.

// Reads a test image into an ARGB buffer; opaque unless the file has alpha.
PixelBuffer loadTexture(const std::string& fileName);
// Reads any PNG path into an ARGB buffer (alpha kept when the file has one).
PixelBuffer loadPng(const std::string& path);
// Full path of a file in tests/data.
std::string texturePath(const std::string& fileName);
