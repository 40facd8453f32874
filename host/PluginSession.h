#pragma once

#include <cstdint>

// The start selector's window: the session over the host's pixels, modal on the host window.
class PluginSession {
public:
    // Opens the window over width x height 32-bit ARGB words (not copied; they receive the
    // output) on `hostWindow` (0: no host window) and returns whether the user applied. The
    // application object exists only for the call, so every session builds its interface anew.
    static bool run(uintptr_t hostWindow, int width, int height, uint32_t* pixels);
};
