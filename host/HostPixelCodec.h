#pragma once

#include <cstdint>

#include "host/HostColourServices.h"
#include "host/TransferMode.h"

// Turns one host pixel (interleaved channels of 8 or 16 bits) into a buffer word 0xAARRGGBB
// and back, by the colour class of the transfer mode.
class HostPixelCodec {
public:
    HostPixelCodec(const TransferMode& mode, const HostColourServices& colours) : mode_(mode), colours_(colours) {}

    const TransferMode& mode() const { return mode_; }

    // `pixel` holds mode().bytesPerPixel bytes. Colour class none reads 0.
    uint32_t read(const uint8_t* pixel) const;
    // Channels the class does not name are left as they are; class none writes nothing.
    void write(uint32_t word, uint8_t* pixel) const;

    // The host's 16-bit scale tops at 32768; larger samples are taken as full.
    static uint8_t to8Bit(uint16_t sample);
    static uint16_t to16Bit(uint8_t sample);
    // Blends a word over the background, for host pixels without alpha; the result is opaque
    // only where the word was.
    static uint32_t flatten(uint32_t word, uint32_t background);

private:
    uint8_t channel(const uint8_t* pixel, int index) const;
    void setChannel(uint8_t* pixel, int index, uint8_t value) const;
    bool hasAlpha() const;

    TransferMode mode_;
    HostColourServices colours_;
};
