#pragma once

#include <cstdint>

#include "host/HostColourServices.h"
#include "host/HostInterface.h"

// How host pixels map to buffer words for one run: fixed at the start selector.
struct TransferMode {
    int16_t colourClass = kSpaceNone;  // a colour-services space, or none
    bool sixteenBit = false;
    int channels = 0;       // the host's planes
    int bytesPerPixel = 0;  // channels, doubled for 16 bits
    uint32_t background = 0xFF000000;  // the host's background colour in RGB, opaque

    // The colour class of an image mode; none for bitmap, indexed, multichannel and unknown.
    static int16_t colourClassOf(int16_t imageMode);
    // Reads mode, depth, planes and the background colour (converted to RGB by `colours`).
    static TransferMode of(const FilterRecord& record, const HostColourServices& colours);
};
