#include "host/PluginResources.h"

namespace {

constexpr FilterCase kWhiteMatte = {4, 4, 7};

constexpr PluginProperties kProperties = {
    16000,
    fourChar("8BFM"),
    "Patchloom...",
    "Orvanta",
    0x00040000,
    "ENTRYPOINT",
    0x5FC0,
    "in (PSHOP_ImageMode, RGBMode, GrayScaleMode,CMYKMode, HSLMode, HSBMode, MultichannelMode,DuotoneMode, "
    "LabMode, RGB48Mode, Gray16Mode) ||PSHOP_ImageDepth == 16",
    {kWhiteMatte, kWhiteMatte, kWhiteMatte, kWhiteMatte, kWhiteMatte, kWhiteMatte, kWhiteMatte},
    0,
    fourChar("kzN7"),
    fourChar("kzN7"),
    16000,
    "Orvanta Patchloom",
};

constexpr ScriptingTerminology kTerminology = {
    16000, 1, 0, 0, 0,
    "Orvanta", "Orvanta plug-in", fourChar("kzN7"), 1, 1,
    "Patchloom", "MOS filter plug-in", fourChar("kzN7"), fourChar("kzN7"), fourChar("null"),
    fourChar("#ImR"), 0xB000,
    {
        {"P Method", fourChar("pMtd"), kTypeInteger, "Placement Method", 0},
        {"Chunk W", fourChar("cWdt"), kTypeInteger, "Chunk Relative Width(%)", 0},
        {"Chunk H", fourChar("cHgt"), kTypeInteger, "Chunk Relative Height(%)", 0},
        {"Jitter", fourChar("jAmt"), kTypeInteger, "Amount of Jittering(%)", 0},
        {"Covering", fourChar("cvFc"), kTypeInteger, "Covering Factor(%)", 0},
        {"Seed", fourChar("rndS"), kTypeFloat, "Random Seed", 0},
        {"Palette", fourChar("pPth"), kTypeText, "Paths to all images in the palette", 0},
    },
};

} // namespace

const PluginProperties& PluginResources::properties() {
    return kProperties;
}

const ScriptingTerminology& PluginResources::terminology() {
    return kTerminology;
}

bool PluginResources::enabledFor(int16_t imageMode, int16_t depth) {
    if (depth == 16)
        return true;
    switch (imageMode) {
    case kModeRGB:
    case kModeGrayScale:
    case kModeCMYK:
    case kModeHSL:
    case kModeHSB:
    case kModeMultichannel:
    case kModeDuotone:
    case kModeLab:
    case kModeRGB48:
    case kModeGray16:
        return true;
    default:
        return false;
    }
}
