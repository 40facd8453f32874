#pragma once

// The image editor's plug-in interface as this module and the stand-in host use it: the
// structures the host hands to ENTRYPOINT, its procedure suites, selectors and result codes.
// Only what the module relies on is declared; the layout is ours (both sides are built from
// this header), so it is plain C-compatible data with no ownership of its own.

#include <cstdint>

extern "C" {

// A movable block of host memory: a pointer to the master pointer that points at the data.
using Handle = char**;

// 16.16 fixed point; 0x10000 is 1.0.
using Fixed = int32_t;
inline constexpr Fixed kFixedOne = 0x10000;

// A host rectangle: top and left inclusive, bottom and right exclusive, in image pixels.
struct HostRect {
    int32_t top = 0;
    int32_t left = 0;
    int32_t bottom = 0;
    int32_t right = 0;
};

// Selectors: the first argument of ENTRYPOINT.
enum FilterSelector : int16_t {
    kSelectorAbout = 0,
    kSelectorParameters = 1,
    kSelectorPrepare = 2,
    kSelectorStart = 3,
    kSelectorContinue = 4,
    kSelectorFinish = 5,
};

// Result words. Negative values are errors; 1 tells the host that nothing was applied.
inline constexpr int16_t kResultOk = 0;
inline constexpr int16_t kResultNotApplied = 1;
inline constexpr int16_t kResultOutOfMemory = -108;
inline constexpr int16_t kResultMissingHandle = -109;
inline constexpr int16_t kResultCancelled = -128;
inline constexpr int16_t kResultMissingParameter = -1715;
inline constexpr int16_t kResultBadParameters = -30100;
inline constexpr int16_t kResultNoColourServices = -30900;

// Image modes of the filter record's imageMode.
enum ImageMode : int16_t {
    kModeBitmap = 0,
    kModeGrayScale = 1,
    kModeIndexed = 2,
    kModeRGB = 3,
    kModeCMYK = 4,
    kModeHSL = 5,
    kModeHSB = 6,
    kModeMultichannel = 7,
    kModeDuotone = 8,
    kModeLab = 9,
    kModeGray16 = 10,
    kModeRGB48 = 11,
    kModeLab48 = 12,
    kModeCMYK64 = 13,
};

// Colour spaces of the colour services; -1 is no colour space.
enum ColourSpace : int16_t {
    kSpaceNone = -1,
    kSpaceRGB = 0,
    kSpaceHSB = 1,
    kSpaceCMYK = 2,
    kSpaceLab = 3,
    kSpaceGray = 4,
    kSpaceHSL = 5,
};

// Window of the host that plug-in windows belong to: an X11 window id here, 0 for none.
struct PlatformData {
    uintptr_t hostWindow = 0;
};

// The host's handle suite. Usable when version is 1, count at least 7 and all present.
struct HandleProcs {
    int16_t version = 0;
    int16_t count = 0;
    Handle (*newHandle)(int32_t size) = nullptr;          // zero-filled; null when out of memory
    void (*disposeHandle)(Handle handle) = nullptr;
    int32_t (*getSize)(Handle handle) = nullptr;
    int16_t (*setSize)(Handle handle, int32_t size) = nullptr;
    char* (*lock)(Handle handle, bool moveHigh) = nullptr;  // the data, fixed until unlock
    void (*unlock)(Handle handle) = nullptr;
    void (*recoverSpace)(int32_t size) = nullptr;
};
inline constexpr int16_t kHandleProcsVersion = 1;
inline constexpr int16_t kHandleProcsCount = 7;

// A colour-services request. The components hold 8-bit values on the way in and out.
struct ColorServicesInfo {
    int32_t infoSize = 0;  // sizeof(ColorServicesInfo)
    int16_t selector = 0;
    int16_t sourceSpace = 0;
    int16_t resultSpace = 0;
    bool resultGamutInfoValid = false;
    bool resultInGamut = false;
    void* reservedSourceSpaceInfo = nullptr;
    void* reservedResultSpaceInfo = nullptr;
    int16_t colorComponents[4] = {};
    void* reserved = nullptr;
    int32_t selectorParameter = 0;
};
inline constexpr int16_t kColorServicesConvertColor = 0;
using ColorServicesProc = int16_t (*)(ColorServicesInfo* info);

// Scripting descriptors. Keys and types are four characters packed with the first one in the
// top byte. A descriptor travels between runs as a handle whose contents only the host reads.
using DescriptorKey = uint32_t;
using DescriptorType = uint32_t;
struct ReadDescriptorState;
struct WriteDescriptorState;
using ReadDescriptorToken = ReadDescriptorState*;
using WriteDescriptorToken = WriteDescriptorState*;

constexpr uint32_t fourChar(const char (&c)[5]) {
    return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 | uint32_t(uint8_t(c[2])) << 8 |
           uint32_t(uint8_t(c[3]));
}
inline constexpr DescriptorType kTypeInteger = fourChar("long");
inline constexpr DescriptorType kTypeFloat = fourChar("doub");
inline constexpr DescriptorType kTypeText = fourChar("TEXT");

// Reading: the full suite of a current host has 18 procedures; the module calls these.
struct ReadDescriptorProcs {
    int16_t version = 0;
    int16_t count = 0;
    // `keys` ends with 0; null when the descriptor cannot be read.
    ReadDescriptorToken (*openRead)(Handle descriptor, DescriptorKey* keys) = nullptr;
    int16_t (*closeRead)(ReadDescriptorToken token) = nullptr;  // -1715 when a key was missing
    // The next key in the host's order; false when none is left.
    bool (*getKey)(ReadDescriptorToken token, DescriptorKey* key, DescriptorType* type, int32_t* flags) = nullptr;
    int16_t (*getInteger)(ReadDescriptorToken token, int32_t* value) = nullptr;
    int16_t (*getFloat)(ReadDescriptorToken token, double* value) = nullptr;
    int16_t (*getText)(ReadDescriptorToken token, Handle* text) = nullptr;  // caller disposes
};
inline constexpr int16_t kReadDescriptorProcsVersion = 0;
inline constexpr int16_t kReadDescriptorProcsCount = 18;

// Writing: the full suite has 16 procedures; the module calls these.
struct WriteDescriptorProcs {
    int16_t version = 0;
    int16_t count = 0;
    WriteDescriptorToken (*openWrite)() = nullptr;
    int16_t (*closeWrite)(WriteDescriptorToken token, Handle* descriptor) = nullptr;
    int16_t (*putInteger)(WriteDescriptorToken token, DescriptorKey key, int32_t value) = nullptr;
    int16_t (*putFloat)(WriteDescriptorToken token, DescriptorKey key, const double* value) = nullptr;
    int16_t (*putText)(WriteDescriptorToken token, DescriptorKey key, Handle text) = nullptr;  // copied
};
inline constexpr int16_t kWriteDescriptorProcsVersion = 0;
inline constexpr int16_t kWriteDescriptorProcsCount = 16;

struct DescriptorParameters {
    int16_t version = 0;
    int16_t playInfo = 0;
    int16_t recordInfo = 0;  // 0: the dialog is optional on playback
    Handle descriptor = nullptr;
    WriteDescriptorProcs* writeDescriptorProcs = nullptr;
    ReadDescriptorProcs* readDescriptorProcs = nullptr;
};

// The filter record: the second argument of selectors 1 to 5.
struct FilterRecord {
    Handle parameters = nullptr;  // kept by the host between runs of the filter

    int16_t imageMode = kModeRGB;
    int16_t depth = 8;    // bits per channel
    int16_t planes = 3;   // channels in the image, alpha included
    uint8_t backColor[4] = {};  // in the image's colour space

    HostRect filterRect;
    HostRect inRect;
    HostRect outRect;
    HostRect maskRect;
    int16_t inLoPlane = 0;
    int16_t inHiPlane = 0;
    int16_t outLoPlane = 0;
    int16_t outHiPlane = 0;
    Fixed inputRate = kFixedOne;
    Fixed maskRate = kFixedOne;
    int16_t inputPadding = 0;
    int16_t outputPadding = 0;
    int16_t maskPadding = 0;

    // Set by the host for the current rectangles: interleaved channels, rows RowBytes apart.
    void* inData = nullptr;
    int32_t inRowBytes = 0;
    void* outData = nullptr;
    int32_t outRowBytes = 0;

    int32_t maxSpace = 0;     // bytes the host may give the plug-in's strips
    int32_t bufferSpace = 0;  // bytes the plug-in allocates itself

    // Hands over inRect/outRect of the current rectangles now; non-zero is an error.
    int16_t (*advanceState)() = nullptr;
    // True when the user asked to cancel.
    bool (*abortProc)() = nullptr;
    // The plug-in only asks whether the host offers it.
    int16_t (*displayPixels)(const void* source, const HostRect* area, int32_t row, int32_t column,
                             void* context) = nullptr;
    ColorServicesProc colorServices = nullptr;
    HandleProcs* handleProcs = nullptr;
    DescriptorParameters* descriptorParameters = nullptr;
    PlatformData* platformData = nullptr;
};

// The second argument of the about selector.
struct AboutRecord {
    PlatformData* platformData = nullptr;
};

// The module's one export. `data` is the plug-in's word kept by the host between selectors;
// `result` receives the result word.
using EntryPointProc = void (*)(int16_t selector, void* parameterBlock, intptr_t* data, int16_t* result);

} // extern "C"
