#pragma once

#include <cstdint>

#include "host/HostInterface.h"

// Colour conversions through the host's colour services, one colour of 8-bit components at a
// time.
class HostColourServices {
public:
    // `proc` may be null: every conversion then reports -30900.
    explicit HostColourServices(ColorServicesProc proc) : proc_(proc) {}

    // Converts `components` (the first three or four used, by space) from `source` to
    // `result` in place. On an error they stay as they were and the host's code is returned.
    int16_t convert(int16_t source, int16_t result, uint8_t components[4]) const;

private:
    ColorServicesProc proc_;
};
