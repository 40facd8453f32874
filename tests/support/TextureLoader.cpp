#include "support/TextureLoader.h"

#include <png.h>

#include <stdexcept>
#include <vector>

std::string texturePath(const std::string& fileName) { return std::string(PATCHLOOM_TEST_DATA_DIR) + "/" + fileName; }

PixelBuffer loadPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        throw std::runtime_error("cannot read the PNG file " + path + ": " + image.message);
    image.format = PNG_FORMAT_BGRA; // little-endian words read 0xAARRGGBB
    std::vector<uint32_t> words(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, words.data(), 0, nullptr)) {
        const std::string message = image.message;
        png_image_free(&image);
        throw std::runtime_error("cannot decode the PNG file " + path + ": " + message);
    }
    return PixelBuffer::copyOf(image.width, image.height, words.data());
}

PixelBuffer loadTexture(const std::string& fileName) { return loadPng(texturePath(fileName)); }
