#include "host/HostPixelCodec.h"

#include <cstring>

#include "engine/PixelBuffer.h"

uint8_t HostPixelCodec::to8Bit(uint16_t sample) {
    if (sample == 0)
        return 0;
    const unsigned value = (sample - 1u) >> 7;
    return static_cast<uint8_t>(value > 255 ? 255 : value);
}

uint16_t HostPixelCodec::to16Bit(uint8_t sample) {
    return sample == 0 ? 0 : static_cast<uint16_t>((sample + 1u) * 128u);
}

uint32_t HostPixelCodec::flatten(uint32_t word, uint32_t background) {
    const uint32_t a = alphaOf(word);
    if (a == 255)
        return word;
    if (a == 0)
        return background;
    auto blend = [a](uint32_t c, uint32_t b) { return (c * a + b * (255 - a)) / 255; };
    return makePixel(a, blend(redOf(word), redOf(background)), blend(greenOf(word), greenOf(background)),
                     blend(blueOf(word), blueOf(background)));
}

uint8_t HostPixelCodec::channel(const uint8_t* pixel, int index) const {
    if (!mode_.sixteenBit)
        return pixel[index];
    uint16_t sample;
    std::memcpy(&sample, pixel + 2 * index, sizeof sample);
    return to8Bit(sample);
}

void HostPixelCodec::setChannel(uint8_t* pixel, int index, uint8_t value) const {
    if (!mode_.sixteenBit) {
        pixel[index] = value;
        return;
    }
    const uint16_t sample = to16Bit(value);
    std::memcpy(pixel + 2 * index, &sample, sizeof sample);
}

// The channel after the colour channels is alpha when the host has one.
bool HostPixelCodec::hasAlpha() const {
    switch (mode_.colourClass) {
    case kSpaceGray:
        return mode_.channels >= 2;
    case kSpaceCMYK:
        return mode_.channels >= 5;
    default:
        return mode_.channels >= 4;
    }
}

uint32_t HostPixelCodec::read(const uint8_t* pixel) const {
    const int16_t colourClass = mode_.colourClass;
    if (colourClass == kSpaceNone)
        return 0;
    if (colourClass == kSpaceGray) {
        const uint8_t grey = channel(pixel, 0);
        return makePixel(hasAlpha() ? channel(pixel, 1) : 255, grey, grey, grey);
    }
    const int colourChannels = colourClass == kSpaceCMYK ? 4 : 3;
    uint8_t c[4] = {};
    for (int i = 0; i < colourChannels && i < mode_.channels; ++i)
        c[i] = channel(pixel, i);
    if (colourClass != kSpaceRGB)
        colours_.convert(colourClass, kSpaceRGB, c);
    const uint8_t alpha = hasAlpha() ? channel(pixel, colourChannels) : 255;
    return makePixel(alpha, c[0], c[1], c[2]);
}

void HostPixelCodec::write(uint32_t word, uint8_t* pixel) const {
    const int16_t colourClass = mode_.colourClass;
    if (colourClass == kSpaceNone || mode_.channels < 1)
        return;
    if (colourClass != kSpaceCMYK && !hasAlpha())
        word = flatten(word, mode_.background);
    const uint8_t alpha = static_cast<uint8_t>(alphaOf(word));
    if (colourClass == kSpaceGray) {
        setChannel(pixel, 0, static_cast<uint8_t>((11 * redOf(word) + 16 * greenOf(word) + 5 * blueOf(word)) >> 5));
        if (hasAlpha())
            setChannel(pixel, 1, alpha);
        return;
    }
    uint8_t c[4] = {static_cast<uint8_t>(redOf(word)), static_cast<uint8_t>(greenOf(word)),
                    static_cast<uint8_t>(blueOf(word)), 0};
    if (colourClass != kSpaceRGB)
        colours_.convert(kSpaceRGB, colourClass, c);
    const int colourChannels = colourClass == kSpaceCMYK ? 4 : 3;
    for (int i = 0; i < colourChannels && i < mode_.channels; ++i)
        setChannel(pixel, i, c[i]);
    if (hasAlpha())
        setChannel(pixel, colourChannels, alpha);
}
