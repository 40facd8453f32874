#pragma once

#include <string>

#include "apps/StandInHost.h"

// What the stand-in host keeps for the filter between runs (its parameter block and scripting
// descriptor), in a small text file, so that a second `patchloom edit --state FILE` sees what
// the first one left, as a recorded action would:
//
//   patchloom-host-state 1
//   parameters SIZE HEX         the block's bytes, trailing zero bytes left out
//   item KEY long INTEGER       one line per descriptor value, in the host's order
//   item KEY doub NUMBER
//   item KEY TEXT HEX
//   descriptor none             instead of item lines: the host holds no descriptor
class HostStateFile {
public:
    // A missing file is an empty state. False with a one-line `error` for an unreadable or
    // malformed file.
    static bool load(const std::string& path, StandInHost::Kept& kept, std::string& error);
    // Replaces the file in one step; false with `error` when it cannot be written.
    static bool save(const std::string& path, const StandInHost::Kept& kept, std::string& error);

    static std::string format(const StandInHost::Kept& kept);
    // False with `error` naming the line at fault.
    static bool parse(const std::string& text, StandInHost::Kept& kept, std::string& error);
};
