#pragma once

#include <cstdint>
#include <string>

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
};
