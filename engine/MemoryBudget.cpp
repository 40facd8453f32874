#include "engine/MemoryBudget.h"

#include <algorithm>
#include <fstream>
#include <string>

namespace {

// The value of a "Name: N kB" line of /proc/meminfo, in bytes; 0 when missing.
uint64_t memoryInfo(const std::string& name) {
    std::ifstream file("/proc/meminfo");
    std::string key;
    uint64_t kilobytes = 0;
    std::string unit;
    while (file >> key >> kilobytes >> unit)
        if (key == name + ":")
            return kilobytes * 1024;
    return 0;
}

// A control group's limit minus what it uses, in bytes; 0 when there is no limit to read.
uint64_t controlGroupRoom() {
    std::ifstream maximum("/sys/fs/cgroup/memory.max"), current("/sys/fs/cgroup/memory.current");
    uint64_t limit = 0, used = 0;
    if (!(maximum >> limit) || !(current >> used))  // "max" does not parse: no limit
        return 0;
    return limit > used ? limit - used : 1;
}

} // namespace

uint64_t MemoryBudget::pasteBytes(uint64_t footprintPixels, uint64_t overlapPixels) {
    return footprintPixels * kMapBytesPerFootprintPixel + overlapPixels * kGraphBytesPerOverlapPixel;
}

uint64_t MemoryBudget::defaultLimit() {
    uint64_t available = memoryInfo("MemAvailable");
    const uint64_t room = controlGroupRoom();
    if (room != 0)
        available = available != 0 ? std::min(available, room) : room;
    return available / kDefaultShareDivisor;
}
