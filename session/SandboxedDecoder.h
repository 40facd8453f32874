#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "session/FreeImageDecoder.h"

// Runs FreeImageDecoder in a child process. FreeImage's readers can crash or write past their
// buffers on damaged files; in a child that costs the one file, not the session. The child also
// gets an address-space cap, which bounds what readers that cannot check a header first may
// allocate (not in sanitizer builds, whose shadow memory exceeds any cap).
class SandboxedDecoder {
public:
    static constexpr int kDefaultTimeoutMs = 120000;
    using Decode = std::function<DecodedImage()>;

    // FreeImageDecoder::decode on `path` in a child process. A child that crashes, sends a
    // result that does not fit `maxPixels`, or takes longer than `timeoutMs` (it is then
    // killed) gives Unreadable with the first format's name and a message saying what happened.
    static DecodedImage decode(const QString& path, const std::vector<int>& formats, int64_t maxPixels,
                               int timeoutMs = kDefaultTimeoutMs);

    // Runs `decode` in a child process under the address-space cap for `maxPixels` and returns
    // its result; on any failure of the child, Unreadable with `format` and a message.
    static DecodedImage run(const Decode& decode, int64_t maxPixels, const std::string& format,
                            int timeoutMs = kDefaultTimeoutMs);
};
