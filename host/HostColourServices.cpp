#include "host/HostColourServices.h"

int16_t HostColourServices::convert(int16_t source, int16_t result, uint8_t components[4]) const {
    if (!proc_)
        return kResultNoColourServices;
    if (!components)
        return kResultMissingParameter;
    ColorServicesInfo info;
    info.infoSize = sizeof(ColorServicesInfo);
    info.selector = kColorServicesConvertColor;
    info.sourceSpace = source;
    info.resultSpace = result;
    for (int i = 0; i < 4; ++i)
        info.colorComponents[i] = components[i];
    const int16_t error = proc_(&info);
    if (error != kResultOk)
        return error;
    for (int i = 0; i < 4; ++i)
        components[i] = static_cast<uint8_t>(info.colorComponents[i] & 0xFF);
    return kResultOk;
}
