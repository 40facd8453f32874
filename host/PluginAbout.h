#pragma once

#include <cstdint>

// The about selector: a small modal box over the host window naming the filter and its
// version. Returns when the user closes it.
class PluginAbout {
public:
    static void show(uintptr_t hostWindow);
};
