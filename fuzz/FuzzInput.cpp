#include "fuzz/FuzzInput.h"

#include <algorithm>

const std::vector<std::string>& FuzzInput::extensions() {
    static const std::vector<std::string> kExtensions{
        "",    "bmp", "cut", "dds", "gif", "hdr", "ico", "iff", "lbm", "jng", "jpg", "mng", "pbm", "pcd",
        "pcx", "pgm", "png", "ppm", "psd", "ras", "tga", "tif", "wbmp", "xbm", "xpm", "targa", "webp"};
    return kExtensions;
}

FuzzInput::FuzzInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return;
    extension_ = extensions()[data[0] % extensions().size()];
    bytes_ = data + 1;
    size_ = size - 1;
}

std::string FuzzInput::encode(const std::string& extension, const std::string& fileBytes) {
    const auto& list = extensions();
    const auto found = std::find(list.begin(), list.end(), extension);
    if (found == list.end())
        return {};
    return char(found - list.begin()) + fileBytes;
}
