#pragma once

#include <cstdint>
#include <functional>

#include "host/FilterPlugin.h"

// The module's dispatch in the test program, with a window stand-in chosen by each test.
struct InProcessPlugin {
    // Sees the pixels the window would get; its answer is the user's apply or cancel.
    static std::function<bool(int width, int height, uint32_t* pixels)> session;
    static int sessions;
    static void entry(int16_t selector, void* block, intptr_t* data, int16_t* result);
    static const FilterPlugin& plugin();
};
