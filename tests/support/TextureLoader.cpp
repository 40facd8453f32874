#include "support/TextureLoader.h"

#include <png.h>

#include <cstdio>
#include <vector>

std::string texturePath(const std::string& fileName) {
    return std::string(PATCHLOOM_TEXTURE_DIR) + "/" + fileName;
}

PixelBuffer loadPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return PixelBuffer();
    image.format = PNG_FORMAT_BGRA; // little-endian words read 0xAARRGGBB
    std::vector<uint32_t> words(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, words.data(), 0, nullptr)) {
        png_image_free(&image);
        return PixelBuffer();
    }
    return PixelBuffer(image.width, image.height, static_cast<const uint32_t*>(words.data()));
}

PixelBuffer loadTexture(const std::string& fileName) { return loadPng(texturePath(fileName)); }
