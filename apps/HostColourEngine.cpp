#include "apps/HostColourEngine.h"

#include <algorithm>
#include <cmath>

#include <lcms2.h>

#include "host/HostInterface.h"

namespace {

uint8_t clampByte(double v) {
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

// Hue in 0-255 for a full turn, saturation and value in 0-255.
void rgbToHsb(const uint8_t rgb[3], uint8_t out[4]) {
    const double r = rgb[0] / 255.0, g = rgb[1] / 255.0, b = rgb[2] / 255.0;
    const double max = std::max({r, g, b}), min = std::min({r, g, b}), delta = max - min;
    double hue = 0;
    if (delta > 0) {
        if (max == r)
            hue = std::fmod((g - b) / delta + 6.0, 6.0);
        else if (max == g)
            hue = (b - r) / delta + 2.0;
        else
            hue = (r - g) / delta + 4.0;
    }
    out[0] = static_cast<uint8_t>(std::lround(hue / 6.0 * 256.0) % 256);
    out[1] = clampByte(max > 0 ? delta / max * 255.0 : 0);
    out[2] = clampByte(max * 255.0);
    out[3] = 0;
}

// Red, green and blue from hue (turns), chroma and the offset added to all three.
void fromHueChroma(double hue, double chroma, double offset, uint8_t rgb[3]) {
    const double h = std::fmod(hue, 1.0) * 6.0;
    const double x = chroma * (1 - std::fabs(std::fmod(h, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    switch (int(h)) {
    case 0: r = chroma; g = x; break;
    case 1: r = x; g = chroma; break;
    case 2: g = chroma; b = x; break;
    case 3: g = x; b = chroma; break;
    case 4: r = x; b = chroma; break;
    default: r = chroma; b = x; break;
    }
    rgb[0] = clampByte((r + offset) * 255.0);
    rgb[1] = clampByte((g + offset) * 255.0);
    rgb[2] = clampByte((b + offset) * 255.0);
}

void hsbToRgb(const uint8_t in[4], uint8_t rgb[3]) {
    const double value = in[2] / 255.0, chroma = value * in[1] / 255.0;
    fromHueChroma(in[0] / 256.0, chroma, value - chroma, rgb);
}

void rgbToHsl(const uint8_t rgb[3], uint8_t out[4]) {
    uint8_t hsb[4];
    rgbToHsb(rgb, hsb);
    const double r = rgb[0] / 255.0, g = rgb[1] / 255.0, b = rgb[2] / 255.0;
    const double max = std::max({r, g, b}), min = std::min({r, g, b});
    const double lightness = (max + min) / 2;
    const double divisor = 1 - std::fabs(2 * lightness - 1);
    out[0] = hsb[0];
    out[1] = clampByte(divisor > 0 ? (max - min) / divisor * 255.0 : 0);
    out[2] = clampByte(lightness * 255.0);
    out[3] = 0;
}

void hslToRgb(const uint8_t in[4], uint8_t rgb[3]) {
    const double lightness = in[2] / 255.0;
    const double chroma = (1 - std::fabs(2 * lightness - 1)) * in[1] / 255.0;
    fromHueChroma(in[0] / 256.0, chroma, lightness - chroma / 2, rgb);
}

void rgbToCmyk(const uint8_t rgb[3], uint8_t out[4]) {
    const int k = 255 - std::max({rgb[0], rgb[1], rgb[2]});
    for (int i = 0; i < 3; ++i)
        out[i] = k == 255 ? 0 : clampByte((255.0 - rgb[i] - k) * 255.0 / (255.0 - k));
    out[3] = static_cast<uint8_t>(k);
}

void cmykToRgb(const uint8_t in[4], uint8_t rgb[3]) {
    for (int i = 0; i < 3; ++i)
        rgb[i] = clampByte((255.0 - in[i]) * (255.0 - in[3]) / 255.0);
}

} // namespace

HostColourEngine::HostColourEngine() {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    if (srgb && lab) {
        // Unoptimised: the 8-bit precalculated tables would cost a level in the round trip.
        rgbToLab_ = cmsCreateTransform(srgb, TYPE_RGB_8, lab, TYPE_Lab_8, INTENT_RELATIVE_COLORIMETRIC,
                                       cmsFLAGS_NOOPTIMIZE);
        labToRgb_ = cmsCreateTransform(lab, TYPE_Lab_8, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC,
                                       cmsFLAGS_NOOPTIMIZE);
    }
    if (srgb)
        cmsCloseProfile(srgb);
    if (lab)
        cmsCloseProfile(lab);
}

HostColourEngine::~HostColourEngine() {
    if (rgbToLab_)
        cmsDeleteTransform(static_cast<cmsHTRANSFORM>(rgbToLab_));
    if (labToRgb_)
        cmsDeleteTransform(static_cast<cmsHTRANSFORM>(labToRgb_));
}

uint8_t HostColourEngine::greyOf(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint8_t>((11 * r + 16 * g + 5 * b) >> 5);
}

bool HostColourEngine::toRgb(int16_t space, const uint8_t in[4], uint8_t rgb[3]) const {
    switch (space) {
    case kSpaceRGB: std::copy(in, in + 3, rgb); return true;
    case kSpaceGray: rgb[0] = rgb[1] = rgb[2] = in[0]; return true;
    case kSpaceHSB: hsbToRgb(in, rgb); return true;
    case kSpaceHSL: hslToRgb(in, rgb); return true;
    case kSpaceCMYK: cmykToRgb(in, rgb); return true;
    case kSpaceLab:
        if (!labToRgb_)
            return false;
        cmsDoTransform(static_cast<cmsHTRANSFORM>(labToRgb_), in, rgb, 1);
        return true;
    default: return false;
    }
}

bool HostColourEngine::fromRgb(int16_t space, const uint8_t rgb[3], uint8_t out[4]) const {
    out[3] = 0;
    switch (space) {
    case kSpaceRGB: std::copy(rgb, rgb + 3, out); return true;
    case kSpaceGray: out[0] = out[1] = out[2] = greyOf(rgb[0], rgb[1], rgb[2]); return true;
    case kSpaceHSB: rgbToHsb(rgb, out); return true;
    case kSpaceHSL: rgbToHsl(rgb, out); return true;
    case kSpaceCMYK: rgbToCmyk(rgb, out); return true;
    case kSpaceLab:
        if (!rgbToLab_)
            return false;
        cmsDoTransform(static_cast<cmsHTRANSFORM>(rgbToLab_), rgb, out, 1);
        return true;
    default: return false;
    }
}

bool HostColourEngine::convert(int16_t source, int16_t result, int16_t c[4]) const {
    uint8_t in[4], rgb[3], out[4];
    for (int i = 0; i < 4; ++i)
        in[i] = static_cast<uint8_t>(std::clamp<int>(c[i], 0, 255));
    if (!toRgb(source, in, rgb) || !fromRgb(result, rgb, out))
        return false;
    const int count = result == kSpaceCMYK ? 4 : result == kSpaceGray ? 1 : 3;
    for (int i = 0; i < count; ++i)
        c[i] = out[i];
    return true;
}
