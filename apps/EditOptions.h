#pragma once

#include <cstdint>
#include <string>

#include "apps/StandInHost.h"

// What `patchloom edit` was asked to do, checked.
struct EditOptions {
    // The picture to edit; with --size, the first input image instead (may then be empty).
    std::string image;
    std::string output;  // PNG path written on "Apply"
    // --size: edit a transparent width x height picture instead of IMAGE.
    bool sizeGiven = false;
    uint32_t width = 0;
    uint32_t height = 0;
    bool help = false;

    // The stand-in host around the filter module.
    std::string mode;       // --mode; empty: rgb, or rgb16 for a 16-bit picture
    std::string stateFile;  // --state: what the host keeps for the filter between runs
    std::string module;     // --module; empty: MOS.8bf beside the program
    StandInHost::Variant variant;
    bool premiere = false;  // --identify-as-premiere
    bool window = true;     // --no-window turns the host's own window off

    // An option of the stand-in host was given: the picture must go through the module.
    bool asksForHost() const {
        return !mode.empty() || !stateFile.empty() || !module.empty() || premiere || !window ||
               !variant.advanceState || !variant.colourServices || !variant.descriptors || !variant.handleSuite;
    }
};
