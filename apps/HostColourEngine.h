#pragma once

#include <cstdint>

// The stand-in host's colour services: conversions of one colour of 8-bit components between
// RGB, HSB, CMYK, Lab, grey and HSL (the host interface's colour-space numbers). Lab goes
// through Little CMS between sRGB and CIE Lab (D50, 8-bit encoding: L 0-255 for 0-100, a and
// b offset by 128). CMYK is device CMYK with full black generation, since Little CMS carries
// no CMYK characterisation of its own and the stand-in host has no printer to describe.
// HSB and HSL use their usual formulas with hue scaled to 0-255.
class HostColourEngine {
public:
    HostColourEngine();
    ~HostColourEngine();
    HostColourEngine(const HostColourEngine&) = delete;
    HostColourEngine& operator=(const HostColourEngine&) = delete;

    // Converts `c` (values 0-255) from `source` to `result` in place; false (nothing changed)
    // for an unknown space.
    bool convert(int16_t source, int16_t result, int16_t c[4]) const;

    // Grey used when the host turns RGB into a greyscale image.
    static uint8_t greyOf(uint8_t r, uint8_t g, uint8_t b);

private:
    bool toRgb(int16_t space, const uint8_t in[4], uint8_t rgb[3]) const;
    bool fromRgb(int16_t space, const uint8_t rgb[3], uint8_t out[4]) const;

    void* rgbToLab_ = nullptr;  // cmsHTRANSFORM
    void* labToRgb_ = nullptr;
};
