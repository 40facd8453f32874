#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "apps/HostColourEngine.h"
#include "apps/HostImage.h"
#include "host/HostInterface.h"

// The image editor's side of a filter run, for `patchloom edit`: a filter record over a
// HostImage and the procedures a host offers (advanceState, abort, colour services, handles,
// scripting descriptors), each of which a variant can withdraw. The filter works on the image
// in place. Calls come from one thread; one host runs at a time.
class StandInHost {
public:
    struct Variant {
        bool advanceState = true;
        bool colourServices = true;
        bool descriptors = true;
        bool handleSuite = true;
    };

    // One value of the scripting descriptor the host keeps for the filter.
    struct DescriptorItem {
        DescriptorKey key = 0;
        DescriptorType type = 0;
        int32_t integer = 0;
        double number = 0;
        std::string text;
    };

    // What the host keeps for the filter between runs.
    struct Kept {
        std::vector<uint8_t> parameters;  // empty: no parameter block yet
        bool hasDescriptor = false;
        std::vector<DescriptorItem> descriptor;
    };

    StandInHost(HostImage& image, Variant variant, const HostColourEngine& colours);
    ~StandInHost();
    StandInHost(const StandInHost&) = delete;
    StandInHost& operator=(const StandInHost&) = delete;

    // Runs the filter: parameters, prepare, start, continue while it asks, finish. Returns the
    // first non-zero result word; `kept` is read before and updated after.
    int16_t run(EntryPointProc entry, uintptr_t hostWindow, Kept& kept);

    // Makes the abort procedure report a cancel from now on (safe from a signal handler).
    void cancel() { cancelled_ = true; }

    // The descriptor handle format of this host, shared with its descriptor procedures.
    static Handle encode(const std::vector<DescriptorItem>& items);
    static std::vector<DescriptorItem> decode(Handle handle);

private:
    friend struct StandInHostProcs;

    int16_t call(EntryPointProc entry, int16_t selector, intptr_t& data);
    void* pointAt(const HostRect& rect) const;

    HostImage& image_;
    Variant variant_;
    const HostColourEngine& colours_;
    FilterRecord record_;
    HandleProcs handleProcs_;
    ReadDescriptorProcs readProcs_;
    WriteDescriptorProcs writeProcs_;
    DescriptorParameters descriptorParameters_;
    PlatformData platform_;
    std::atomic<bool> cancelled_{false};
};
