#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "session/FreeImageDecoder.h"

// Runs FreeImageDecoder in a child process. FreeImage's readers can crash, hang or write past
// their buffers on damaged files; in a child that costs the one file, not the session. The
// child gets limits that fit the file: CPU time, a wall-clock deadline and an address-space cap
// (not in sanitizer builds, whose shadow memory exceeds any cap). It dies with its parent, and
// whatever it prints goes nowhere near the user's terminal.
class SandboxedDecoder {
public:
    struct Limits {
        int wallMs = 0;
        int cpuSeconds = 0;
        // The image size the child's memory is capped for.
        int64_t pixels = 0;

        // Limits for a file of `fileBytes` whose header announces `headerPixels` (0: unknown, then
        // guessed from the file size, as no reader expands a byte to more than about a thousand
        // pixels). A few seconds for small files, growing with the work; longer in sanitizer builds.
        static Limits forFile(uint64_t fileBytes, uint64_t headerPixels, int64_t maxPixels);
    };
    using Decode = std::function<DecodedImage()>;

    // FreeImageDecoder::decode on `path` in a child process under `limits`. A child that crashes,
    // sends a result that does not fit `maxPixels`, or runs out of time gives Unreadable with
    // the first format's name and a message saying what happened.
    static DecodedImage decode(const QString& path, const std::vector<int>& formats, int64_t maxPixels,
                               const Limits& limits);

    // Runs `decode` in a child process under `limits` and returns its result; a result larger
    // than `maxPixels` or any failure of the child gives Unreadable with `format` and a message.
    static DecodedImage run(const Decode& decode, int64_t maxPixels, const std::string& format, const Limits& limits);
};
