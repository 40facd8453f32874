#pragma once

#include <QString>

// Both readers accept an uncompressed BMP file that ends early and hand back rows they never
// filled (the toolkit's hold whatever was in memory). This check finds such files from the
// header and the file size before either reader sees them.
class BitmapFileCheck {
public:
    // True when `path` starts like a BMP file whose pixel rows (uncompressed, or with colour
    // masks) need more bytes than the file has, or whose headers are cut off. Compressed or
    // unrecognised files give false: their readers notice missing data themselves.
    static bool isTruncated(const QString& path);
};
