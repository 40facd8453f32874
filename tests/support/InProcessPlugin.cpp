#include "support/InProcessPlugin.h"

std::function<bool(int, int, uint32_t*)> InProcessPlugin::session;
int InProcessPlugin::sessions = 0;

namespace {

FilterPlugin& instance() {
    static FilterPlugin plugin(
        [](uintptr_t, int width, int height, uint32_t* pixels) {
            ++InProcessPlugin::sessions;
            return InProcessPlugin::session ? InProcessPlugin::session(width, height, pixels) : true;
        },
        nullptr);
    return plugin;
}

} // namespace

void InProcessPlugin::entry(int16_t selector, void* block, intptr_t* data, int16_t* result) {
    instance().entry(selector, block, data, result);
}

const FilterPlugin& InProcessPlugin::plugin() {
    return instance();
}
