#pragma once

#include <cstdint>
#include <string_view>

#include "host/HostInterface.h"

// Which image editor loaded the module, told by the name the host program was started under.
class HostIdentity {
public:
    static constexpr uint32_t kPremiere = fourChar("PrMr");

    // The four-letter signature of a known host whose name starts `programName` (letter case
    // ignored); 0 for any other.
    static uint32_t signatureOf(std::string_view programName);
    // The host of this process is the video editor: looked up once per process.
    static bool isPremiere();
};
