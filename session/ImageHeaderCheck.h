#pragma once

#include <cstdint>
#include <string>

class ByteSource;

// What an image file's header says, judged before any reader decodes a pixel.
struct HeaderVerdict {
    enum class Problem {
        None,      // nothing wrong found (or the format is not one this check reads)
        TooLarge,  // the header announces more pixels than allowed
        Truncated  // the headers, or pixel data stored at a fixed size, end before they should
    };

    Problem problem = Problem::None;
    // FreeImage's short name of the recognised format ("WBMP", "PGMRAW"); empty when unknown.
    std::string format;
    // The size the header announces; 0 x 0 when the format was not recognised.
    uint64_t width = 0;
    uint64_t height = 0;
};

// Reads the headers of the formats whose readers cannot be trusted to check a header before
// they allocate and decode: some read no header first at all (FreeImage's DDS, GIF, IFF, MNG,
// WBMP and XBM readers), others hand back or allocate rows the file never had (uncompressed
// BMP, PNM, TGA, WBMP, DDS) or run past their buffers (PSD). Each header is read with every
// length checked against the file; nothing here trusts a field before it has been bounded.
class ImageHeaderCheck {
public:
    // Judges `bytes` by their signature (BMP, PSD, DDS, GIF, IFF, MNG, JNG, PBM/PGM/PPM, XBM), or,
    // for formats without one, by `formatHint`: the file's lower-case extension
    // ("wbmp", "tga", "targa"; may be empty). TooLarge when width x height exceeds `maxPixels`;
    // Truncated when the file is shorter than its headers or its fixed-size pixel data.
    static HeaderVerdict check(const ByteSource& bytes, const std::string& formatHint, int64_t maxPixels);
};
