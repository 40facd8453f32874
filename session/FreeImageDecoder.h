#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What FreeImage made of one file.
struct DecodedImage {
    enum class Status : int32_t { Decoded = 0, Unreadable = 1, TooLarge = 2 };

    Status status = Status::Unreadable;
    uint32_t width = 0;
    uint32_t height = 0;
    // Decoded only: width x height words 0xAARRGGBB, top row first.
    std::vector<uint32_t> pixels;
    // For the user: the format that reported `message`, and FreeImage's last message for this
    // file or why it was refused. Both empty when nothing was reported.
    std::string format;
    std::string message;
};

// Reads one file with FreeImage, in the calling process. Only SandboxedDecoder should call it
// on files from users, since a damaged file can crash FreeImage's readers.
class FreeImageDecoder {
public:
    // Tries the FreeImage `formats` in the given order until one reads `path` (a local file
    // name) without reporting a problem. The header is read first where FreeImage can do that
    // alone, and an image of more than `maxPixels` pixels is refused (TooLarge) before its pixels
    // are decoded. The image comes back as 32-bit ARGB: alpha from its alpha channel, or opaque
    // when it has none or only zeros there. Never throws.
    static DecodedImage decode(const std::string& path, const std::vector<int>& formats, int64_t maxPixels);

    // FreeImage's short name of a format number ("PCX"); empty for an unknown number.
    static std::string formatName(int format);
};
