#include "session/FreeImageDecoder.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <utility>

namespace {

// FreeImage reports problems only through a process-wide callback; the decoding thread keeps
// its own copy so that two threads never mix their messages.
thread_local std::string lastMessage;
thread_local std::string lastMessageFormat;
thread_local bool reportedDuringLoad = false;

void keepMessage(FREE_IMAGE_FORMAT format, const char* message) {
    lastMessage = message != nullptr ? message : "";
    lastMessageFormat = FreeImageDecoder::formatName(format);
    reportedDuringLoad = true;
}

struct BitmapUnloader {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapUnloader>;

// A loader that complained may still return a bitmap, filled in from damaged data; such a
// result counts as a failure.
Bitmap load(FREE_IMAGE_FORMAT format, const std::string& path, int flags) {
    reportedDuringLoad = false;
    Bitmap bitmap(FreeImage_Load(format, path.c_str(), flags));
    if (reportedDuringLoad)
        bitmap.reset();
    return bitmap;
}

std::string tooLargeText(uint64_t width, uint64_t height, int64_t maxPixels) {
    char text[160];
    std::snprintf(text, sizeof text, "The image is %llu x %llu pixels; an input image may have at most %lld.",
                  static_cast<unsigned long long>(width), static_cast<unsigned long long>(height),
                  static_cast<long long>(maxPixels));
    return text;
}

bool fits(uint64_t width, uint64_t height, int64_t maxPixels) { return width * height <= uint64_t(maxPixels); }

DecodedImage refusal(DecodedImage::Status status, std::string format, std::string message) {
    DecodedImage result;
    result.status = status;
    result.format = std::move(format);
    result.message = std::move(message);
    return result;
}

// Where the finished pixels take their alpha from.
enum class AlphaSource { Converted, Channel, Opaque };

// The 8-bit alpha channel to apply, or null. An all-zero channel counts as none: the picture
// is then opaque rather than invisible.
Bitmap alphaChannel(FIBITMAP* bitmap, AlphaSource& source) {
    source = AlphaSource::Converted;
    if (!FreeImage_IsTransparent(bitmap))
        return nullptr;
    Bitmap channel(FreeImage_GetChannel(bitmap, FICC_ALPHA));
    if (!channel || FreeImage_GetBPP(channel.get()) != 8)
        return nullptr;
    const unsigned width = FreeImage_GetWidth(channel.get());
    for (unsigned y = 0; y < FreeImage_GetHeight(channel.get()); ++y) {
        const BYTE* line = FreeImage_GetScanLine(channel.get(), int(y));
        if (std::any_of(line, line + width, [](BYTE a) { return a != 0; })) {
            source = AlphaSource::Channel;
            return channel;
        }
    }
    source = AlphaSource::Opaque;
    return nullptr;
}

// High dynamic range and single-channel deep images become 8-bit bitmaps first, since the
// 32-bit conversion only takes 8- and 16-bit colour.
Bitmap standardised(Bitmap bitmap) {
    switch (FreeImage_GetImageType(bitmap.get())) {
    case FIT_BITMAP:
    case FIT_RGB16:
    case FIT_RGBA16:
        return bitmap;
    case FIT_RGBF:
    case FIT_RGBAF:
        return Bitmap(FreeImage_ToneMapping(bitmap.get(), FITMO_DRAGO03));
    default:
        return Bitmap(FreeImage_ConvertToStandardType(bitmap.get(), TRUE));
    }
}

Bitmap to32Bits(Bitmap bitmap) {
    bitmap = standardised(std::move(bitmap));
    if (!bitmap)
        return nullptr;
    if (FreeImage_GetImageType(bitmap.get()) == FIT_BITMAP && FreeImage_GetBPP(bitmap.get()) == 32)
        return bitmap;
    return Bitmap(FreeImage_ConvertTo32Bits(bitmap.get()));
}

// FreeImage keeps the bottom row as scan line 0; the pixels come back top row first.
void applyAlpha(std::vector<uint32_t>& pixels, unsigned width, unsigned height, FIBITMAP* channel,
                AlphaSource source) {
    if (source == AlphaSource::Converted)
        return;
    for (unsigned y = 0; y < height; ++y) {
        uint32_t* row = pixels.data() + size_t(y) * width;
        const BYTE* alpha = channel != nullptr ? FreeImage_GetScanLine(channel, int(height - 1 - y)) : nullptr;
        for (unsigned x = 0; x < width; ++x) {
            const uint32_t a = alpha != nullptr ? alpha[x] : 0xFFu;
            row[x] = (row[x] & 0x00FFFFFFu) | (a << 24);
        }
    }
}

// Decodes with one format; an empty result (status Unreadable) lets the caller try the next.
DecodedImage decodeAs(FREE_IMAGE_FORMAT format, const std::string& path, int64_t maxPixels) {
    const std::string name = FreeImageDecoder::formatName(format);
    if (FreeImage_FIFSupportsNoPixels(format)) {
        const Bitmap header = load(format, path, FIF_LOAD_NOPIXELS);
        if (!header)
            return {};
        const unsigned width = FreeImage_GetWidth(header.get()), height = FreeImage_GetHeight(header.get());
        if (!fits(width, height, maxPixels))
            return refusal(DecodedImage::Status::TooLarge, name, tooLargeText(width, height, maxPixels));
    }
    Bitmap bitmap = load(format, path, 0);
    if (!bitmap)
        return {};
    const unsigned width = FreeImage_GetWidth(bitmap.get()), height = FreeImage_GetHeight(bitmap.get());
    if (!fits(width, height, maxPixels))
        return refusal(DecodedImage::Status::TooLarge, name, tooLargeText(width, height, maxPixels));
    if (width == 0 || height == 0)
        return {};

    AlphaSource source;
    const Bitmap channel = alphaChannel(bitmap.get(), source);
    const Bitmap converted = to32Bits(std::move(bitmap));
    if (!converted)
        return {};

    DecodedImage result;
    result.pixels.resize(size_t(width) * height);
    FreeImage_ConvertToRawBits(reinterpret_cast<BYTE*>(result.pixels.data()), converted.get(), int(width * 4), 32,
                               FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, TRUE);
    applyAlpha(result.pixels, width, height, channel.get(), source);
    result.status = DecodedImage::Status::Decoded;
    result.width = width;
    result.height = height;
    return result;
}

} // namespace

std::string FreeImageDecoder::formatName(int format) {
    const char* name = format >= 0 ? FreeImage_GetFormatFromFIF(FREE_IMAGE_FORMAT(format)) : nullptr;
    return name != nullptr ? name : "";
}

DecodedImage FreeImageDecoder::decode(const std::string& path, const std::vector<int>& formats, int64_t maxPixels) {
    FreeImage_SetOutputMessage(keepMessage);
    lastMessage.clear();
    lastMessageFormat.clear();
    try {
        for (const int format : formats) {
            DecodedImage result = decodeAs(FREE_IMAGE_FORMAT(format), path, maxPixels);
            if (result.status != DecodedImage::Status::Unreadable)
                return result;
        }
    } catch (const std::bad_alloc&) {
        return refusal(DecodedImage::Status::Unreadable, formats.empty() ? "" : formatName(formats.front()),
                       "Not enough memory to read the image.");
    }
    if (lastMessage.empty())
        return {};
    return refusal(DecodedImage::Status::Unreadable, lastMessageFormat, lastMessage);
}
