#pragma once

#include <cstdint>
#include <string_view>

#include "host/HostInterface.h"

// What the host learns about the filter before loading it: its name, menu category, entry
// point, the image modes it takes, how it wants each filter case's data, and the scripting
// terminology that lets actions record its parameters.
struct FilterCase {
    int16_t inputHandling;   // 4: matte transparent pixels with white
    int16_t outputHandling;  // 4: the same on the way back
    uint8_t flags;           // 7: do not copy source to destination, blank data, layer mask
};

struct PluginProperties {
    int16_t resourceId;
    uint32_t kind;
    std::string_view name;
    std::string_view category;
    uint32_t version;
    std::string_view entryPoint;
    uint16_t modeFlags;  // one bit per image mode 0-15, bitmap in the top bit
    std::string_view enableCondition;
    FilterCase filterCases[7];
    // Scripting terminology
    int16_t terminologyVersion;
    uint32_t terminologyClass;
    uint32_t terminologyEvent;
    int16_t terminologyId;
    std::string_view terminologyScope;
};

struct ScriptingParameter {
    std::string_view name;
    uint32_t key;
    uint32_t type;
    std::string_view description;
    uint16_t flags;
};

struct ScriptingTerminology {
    int16_t resourceId;
    int16_t majorVersion;
    int16_t minorVersion;
    int16_t language;
    int16_t script;
    std::string_view suiteName;
    std::string_view suiteDescription;
    uint32_t suiteId;
    int16_t suiteLevel;
    int16_t suiteVersion;
    std::string_view eventName;
    std::string_view eventDescription;
    uint32_t eventClass;
    uint32_t eventId;
    uint32_t replyType;
    uint32_t directParameterType;
    uint16_t directParameterFlags;
    ScriptingParameter parameters[7];
};

class PluginResources {
public:
    static const PluginProperties& properties();
    static const ScriptingTerminology& terminology();
    // The enabling condition: the listed modes, or any mode at 16 bits per channel.
    static bool enabledFor(int16_t imageMode, int16_t depth);
};
