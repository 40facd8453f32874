#pragma once

#include <cstdint>

#include "host/HostInterface.h"
#include "host/HostPixelCodec.h"

// Moves the filter rectangle between the host image and a buffer of width x height words in
// strips of 32 rows spanning all planes: both ways through `advanceState`, or outwards
// through the host's continue calls, one strip per call.
class StripTransfer {
public:
    static constexpr int kStripRows = 32;

    // `pixels` holds the filter rectangle's width x height words; none are owned.
    StripTransfer(FilterRecord& record, const HostPixelCodec& codec, uint32_t* pixels)
        : record_(record), codec_(codec), pixels_(pixels) {}

    // Fill the buffer from the host / write it to the host. `result` is the host's result
    // word: a pending error or a cancel stops with -128, an advanceState error is kept.
    // Strips done before a stop stay done.
    void read(int16_t& result);
    void write(int16_t& result);

    // Points outRect at the first strip for the host's next continue call.
    void beginContinueWrite();
    // Writes the strip in outData and moves outRect to the next one; false when none is left.
    bool continueWrite(int16_t& result);

    static void clearRects(FilterRecord& record);

private:
    void transfer(bool reading, int16_t& result);
    bool convertStrip(bool reading, const HostRect& strip);
    int32_t width() const { return record_.filterRect.right - record_.filterRect.left; }

    FilterRecord& record_;
    const HostPixelCodec& codec_;
    uint32_t* pixels_;
};
