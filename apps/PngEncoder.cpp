#include "apps/PngEncoder.h"

#include <png.h>

#include <bit>
#include <csetjmp>
#include <vector>

namespace {

// libpng reads our 0xAARRGGBB words byte by byte, so the byte order decides the format.
constexpr png_uint_32 kWordFormat = std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;

// Where libpng's error handler leaves its message before it jumps back.
struct ErrorSink {
    char message[256] = {};
};

void onError(png_structp png, png_const_charp message) {
    auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png));
    std::snprintf(sink->message, sizeof sink->message, "%s", message ? message : "the PNG encoder failed");
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// One row of 16-bit RGBA in PNG's byte order (most significant byte first).
void packRow(const DeepPixel* pixels, uint32_t width, std::vector<png_byte>& row) {
    png_byte* out = row.data();
    for (uint32_t x = 0; x < width; ++x) {
        const DeepPixel& p = pixels[x];
        const uint32_t alpha = uint32_t(p.alpha > 255 ? 255 : p.alpha) * 257;
        for (const uint32_t v : {uint32_t(p.red), uint32_t(p.green), uint32_t(p.blue), alpha}) {
            *out++ = png_byte(v >> 8);
            *out++ = png_byte(v & 0xFF);
        }
    }
}

// Kept free of C++ objects with destructors between setjmp and the jumps to it: the row buffer
// belongs to the caller.
bool encodeDeep(const DeepPixelBuffer& picture, std::FILE* stream, std::vector<png_byte>& row, ErrorSink& sink) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, onError, onWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, stream);
    png_set_IHDR(png, info, picture.width(), picture.height(), 16, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (uint32_t y = 0; y < picture.height(); ++y) {
        packRow(&picture.at(0, y), picture.width(), row);
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool PngEncoder::write(const PixelBuffer& picture, std::FILE* stream, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = picture.width();
    image.height = picture.height();
    image.format = kWordFormat;
    const bool written = png_image_write_to_stdio(&image, stream, 0, picture.pixels(), 0, nullptr) != 0;
    if (!written)
        error = image.message[0] ? image.message : "the PNG encoder failed";
    png_image_free(&image);
    return written;
}

bool PngEncoder::write(const DeepPixelBuffer& picture, std::FILE* stream, std::string& error) {
    if (picture.count() == 0) {
        error = "nothing to write";
        return false;
    }
    std::vector<png_byte> row(size_t(picture.width()) * 8);
    ErrorSink sink;
    if (encodeDeep(picture, stream, row, sink))
        return true;
    error = sink.message[0] ? sink.message : "the PNG encoder failed";
    return false;
}
