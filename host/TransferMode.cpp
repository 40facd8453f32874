#include "host/TransferMode.h"

#include "engine/PixelBuffer.h"

int16_t TransferMode::colourClassOf(int16_t imageMode) {
    switch (imageMode) {
    case kModeGrayScale:
    case kModeDuotone:
    case kModeGray16:
        return kSpaceGray;
    case kModeRGB:
    case kModeRGB48:
        return kSpaceRGB;
    case kModeCMYK:
    case kModeCMYK64:
        return kSpaceCMYK;
    case kModeHSL:
        return kSpaceHSL;
    case kModeHSB:
        return kSpaceHSB;
    case kModeLab:
    case kModeLab48:
        return kSpaceLab;
    default:
        return kSpaceNone;
    }
}

TransferMode TransferMode::of(const FilterRecord& record, const HostColourServices& colours) {
    TransferMode mode;
    mode.colourClass = colourClassOf(record.imageMode);
    mode.sixteenBit = record.depth == 16;
    mode.channels = record.planes;
    mode.bytesPerPixel = record.planes * (mode.sixteenBit ? 2 : 1);
    uint8_t c[4] = {record.backColor[0], record.backColor[1], record.backColor[2], record.backColor[3]};
    colours.convert(mode.colourClass, kSpaceRGB, c);
    mode.background = makePixel(255, c[0], c[1], c[2]);
    return mode;
}
