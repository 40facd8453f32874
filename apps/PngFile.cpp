#include "apps/PngFile.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// libpng reads our 0xAARRGGBB words byte by byte, so the byte order decides the format.
constexpr png_uint_32 kWordFormat = std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;

std::string reason() { return std::strerror(errno); }

// mkstemp creates files readable by the owner only; the result should look like any new file.
void giveDefaultPermissions(int descriptor) {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
}

} // namespace

std::string PngFile::temporaryPattern(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + ".XXXXXX";
}

bool PngFile::writeStream(const PixelBuffer& picture, int descriptor, std::string& error) {
    FILE* file = fdopen(descriptor, "wb");
    if (!file) {
        error = reason();
        close(descriptor);
        return false;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = picture.width();
    image.height = picture.height();
    image.format = kWordFormat;
    const bool written = png_image_write_to_stdio(&image, file, 0, picture.pixels(), 0, nullptr) != 0;
    if (!written)
        error = image.message[0] ? image.message : "the PNG encoder failed";
    png_image_free(&image);
    const bool flushed = written && std::fflush(file) == 0 && fsync(fileno(file)) == 0;
    if (written && !flushed)
        error = reason();
    const bool closed = std::fclose(file) == 0;
    if (flushed && !closed)
        error = reason();
    return written && flushed && closed;
}

bool PngFile::writeAtomically(const PixelBuffer& picture, const std::string& path, std::string& error) {
    if (picture.count() == 0) {
        error = "nothing to write";
        return false;
    }
    std::string pattern = temporaryPattern(path);
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = mkstemp(name.data());
    if (descriptor < 0) {
        error = "cannot create a file next to '" + path + "': " + reason();
        return false;
    }
    giveDefaultPermissions(descriptor);
    if (!writeStream(picture, descriptor, error)) {
        unlink(name.data());
        error = "cannot write '" + path + "': " + error;
        return false;
    }
    if (std::rename(name.data(), path.c_str()) != 0) {
        error = "cannot write '" + path + "': " + reason();
        unlink(name.data());
        return false;
    }
    return true;
}
