#include "host/ParameterBlock.h"

#include <algorithm>
#include <cstring>

void ParameterBlock::initialise(bool premiere) {
    std::memset(this, 0, sizeof(*this));
    premiereHost = premiere;
}

std::string ParameterBlock::paletteText() const {
    const size_t length = std::min<size_t>(palette[0], kPaletteMaxLength);
    return std::string(reinterpret_cast<const char*>(palette + 1), length);
}

void ParameterBlock::setPalette(const char* text, size_t length) {
    length = std::min<size_t>(length, kPaletteMaxLength);
    palette[0] = static_cast<unsigned char>(length);
    if (length > 0)
        std::memcpy(palette + 1, text, length);
    palette[1 + length] = 0;
}
