#pragma once

#include <cstdint>
#include <span>

#include "chunks/Chunk.h"
#include "chunks/ScanConverter.h"

// Turning a finished drag in the input area into a chunk's limits.

enum class SelectionTool { Rectangle = 0, Lasso = 1 };
// Outer: the crop limit; Inner: the forced limit.
enum class SelectionLimit { Outer = 0, Inner = 1 };
// Taken from the keys held at the press: Shift gives Add, else Alt gives Subtract.
enum class SelectionMode { Replace = 0, Add = 1, Subtract = 2 };

// Applies one released drag to `chunk`, an image of width x height pixels. `points` are in
// widget coordinates: the press point and the last pointer position for Rectangle (only the
// first and last are used), every recorded point for Lasso. sx, sy convert widget to image
// pixels (image size / displayed size). A Rectangle drag that does not move, or a Lasso of
// fewer than 3 points, is a click: it resets the outer limit to the whole image or drops
// the inner limit in Replace mode and changes nothing otherwise. A non-positive image size
// or a scale that is not a finite positive number changes nothing.
void selectionToMask(Chunk& chunk, int32_t width, int32_t height, SelectionTool tool, SelectionLimit limit,
                     SelectionMode mode, std::span<const PixelPoint> points, float sx, float sy);
