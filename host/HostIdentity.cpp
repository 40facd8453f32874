#include "host/HostIdentity.h"

#include <cerrno>
#include <cstring>

namespace {

struct KnownHost {
    std::string_view name;
    uint32_t signature;
};

constexpr KnownHost kKnownHosts[] = {
    {"Photoshp", fourChar("8BIM")},
    {"Adobe Premiere", fourChar("PrMr")},
};

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(text[i]) != lower(prefix[i]))
            return false;
    }
    return true;
}

} // namespace

uint32_t HostIdentity::signatureOf(std::string_view programName) {
    for (const KnownHost& host : kKnownHosts)
        if (startsWithIgnoringCase(programName, host.name))
            return host.signature;
    return 0;
}

bool HostIdentity::isPremiere() {
    // The file name part of the host's argv[0], as the C library keeps it.
    static const bool premiere = signatureOf(program_invocation_short_name) == kPremiere;
    return premiere;
}
