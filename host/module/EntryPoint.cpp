// The module's one export. Everything else in MOS.8bf is hidden.

#include <cstdint>

#include "host/FilterPlugin.h"
#include "host/HostInterface.h"
#include "host/PluginAbout.h"
#include "host/PluginSession.h"

namespace {

FilterPlugin& plugin() {
    static FilterPlugin instance(PluginSession::run, PluginAbout::show);
    return instance;
}

} // namespace

extern "C" __attribute__((visibility("default"))) void ENTRYPOINT(int16_t selector, void* parameterBlock,
                                                                  intptr_t* data, int16_t* result) {
    plugin().entry(selector, parameterBlock, data, result);
}
