#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/HostInterface.h"

// A host for the tests: an image of interleaved 8- or 16-bit samples, a filter record over it
// and every procedure the module may ask for, each of which can be withdrawn. Rectangles handed
// over by advanceState and the continue calls are recorded. Colour services are a stand-in that
// round-trips exactly: converting space A to B XORs each component with key(A) ^ key(B)
// (grey, keyed 0 like RGB, first spreads its one component over three).
// One host is current at a time (the procedures are plain C functions).
class TestHost {
public:
    struct Options {
        bool advanceState = true;
        bool displayPixels = true;
        bool abortProc = true;
        bool handleSuite = true;
        bool colourServices = true;
        bool descriptors = true;
        int cancelAtAbortCall = -1;  // 0-based abort call that reports a cancel; -1 never
        int failAtAdvanceCall = -1;  // 0-based advanceState call that fails with -1
        int16_t closeReadError = 0;  // returned by closeRead when no key was missing
        std::function<void(FilterRecord&)> afterAdvance;  // may spoil what advanceState handed over
    };

    // A descriptor entry as kept by the host.
    struct Item {
        DescriptorKey key = 0;
        DescriptorType type = 0;
        int32_t integer = 0;
        double number = 0;
        std::string text;
        bool operator==(const Item&) const = default;
    };

    TestHost(int width, int height, int16_t mode, int16_t depth, int16_t planes, Options options);
    TestHost(int width, int height, int16_t mode, int16_t depth, int16_t planes)
        : TestHost(width, height, mode, depth, planes, Options()) {}
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    // One selector call; returns the result word.
    int16_t call(EntryPointProc entry, int16_t selector);
    // A whole run in the host's order: parameters, prepare, start, continue while a rectangle
    // is asked for, finish (only after a successful start). Returns the first non-zero result.
    int16_t run(EntryPointProc entry);

    uint16_t sample(int x, int y, int channel) const;
    void setSample(int x, int y, int channel, uint16_t value);
    // Sets every sample to an 8-bit pattern of (x, y, channel); 16-bit images get the sample of
    // the host's 0-32768 scale that stands for that 8-bit value, so both depths round-trip.
    // CMYK's black is the one the colour services make from RGB, so CMYK round-trips too.
    void fill();

    // The descriptor the host keeps for the filter (empty when it holds none).
    std::vector<Item> descriptor() const;
    void setDescriptor(const std::vector<Item>& items);
    void dropDescriptor();

    static int16_t colourKey(int16_t space);

    Options options;
    int width;
    int height;
    int bytesPerSample;
    int rowBytes;
    std::vector<uint8_t> image;
    int32_t originTop = 0;  // the coordinate of the image's first row
    FilterRecord record;
    HandleProcs handleProcs;
    ReadDescriptorProcs readProcs;
    WriteDescriptorProcs writeProcs;
    DescriptorParameters descriptorParameters;
    PlatformData platform;
    intptr_t data = 0;

    int abortCalls = 0;
    int advanceCalls = 0;
    int handleSuiteCalls = 0;  // handles made through the host's suite
    std::vector<HostRect> readStrips;     // inRect at each advanceState
    std::vector<HostRect> writtenStrips;  // outRect at each advanceState or continue call

    static TestHost* current;

    // The first byte of `rect` in the image.
    uint8_t* at(const HostRect& rect);
};

// ENTRYPOINT of the built module, loaded as a host loads it; null (see dlerror) when it fails.
EntryPointProc loadModule();
