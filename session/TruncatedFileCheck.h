#pragma once

#include <QString>

// Finds image files that end before their pixel data does, from their headers and the file
// size, before any reader sees them. The readers handle such files badly: both accept an
// uncompressed BMP cut short and hand back rows they never filled (the toolkit's hold whatever
// was in memory), and FreeImage's PSD reader runs past its buffers on a cut PSD file.
class TruncatedFileCheck {
public:
    // "BMP" or "PSD" when `path` starts like a file of that format whose pixel data needs more
    // bytes than the file has, or whose headers are cut off; empty otherwise. BMP files are
    // judged when uncompressed or with colour masks, PSD files when raw or run-length encoded;
    // other files give empty: their readers notice missing data themselves.
    static QString truncatedFormat(const QString& path);
};
