// The stand-in host's state file as `patchloom edit --state` uses it: read, handed to the filter
// for a run (its parameter block and scripting descriptor), written back. Every file must either
// be refused with a message or read; and what the program writes it must read again unchanged,
// or the next run loses the user's settings.
#include <QImage>

#include <cstdlib>
#include <string>

#include "apps/HostColourEngine.h"
#include "apps/HostImage.h"
#include "apps/HostStateFile.h"
#include "apps/StandInHost.h"
#include "host/FilterPlugin.h"

namespace {

// The user applies at once: the window is not what is tested here.
FilterPlugin& plugin() {
    static FilterPlugin instance([](uintptr_t, int, int, uint32_t*) { return true; }, nullptr);
    return instance;
}

void entry(int16_t selector, void* block, intptr_t* data, int16_t* result) {
    plugin().entry(selector, block, data, result);
}

// Aborts unless `text`, written by the program, reads back as what format writes for it.
void requireReadable(const std::string& text) {
    StandInHost::Kept kept;
    std::string error;
    if (!HostStateFile::parse(text, kept, error) || HostStateFile::format(kept) != text)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StandInHost::Kept kept;
    std::string error;
    if (!HostStateFile::parse(std::string(reinterpret_cast<const char*>(data), size), kept, error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    requireReadable(HostStateFile::format(kept));

    static const HostColourEngine colours;
    static const QImage picture = [] {
        QImage image(3, 2, QImage::Format_ARGB32);
        image.fill(qRgba(200, 120, 40, 255));
        return image;
    }();
    HostImage image = HostImage::fromPicture(picture, *HostImage::modeNamed("rgb"), colours);
    StandInHost host(image, {}, colours);
    host.run(entry, 0, kept);
    requireReadable(HostStateFile::format(kept));
    return 0;
}
