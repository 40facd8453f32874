#pragma once

#include <cstdint>

#include "host/HostHandles.h"
#include "host/HostInterface.h"
#include "host/ParameterBlock.h"

// Exchanges the parameter block with the host's scripting descriptor, so that actions record
// and replay the filter's parameters. Without complete descriptor procedures nothing happens.
class ScriptingParameters {
public:
    static constexpr DescriptorKey kMethod = fourChar("pMtd");
    static constexpr DescriptorKey kChunkWidth = fourChar("cWdt");
    static constexpr DescriptorKey kChunkHeight = fourChar("cHgt");
    static constexpr DescriptorKey kJittering = fourChar("jAmt");
    static constexpr DescriptorKey kCovering = fourChar("cvFc");
    static constexpr DescriptorKey kSeed = fourChar("rndS");
    static constexpr DescriptorKey kPalette = fourChar("pPth");

    ScriptingParameters(const FilterRecord& record, const HostHandles& handles) : record_(record), handles_(handles) {}

    // Copies the host's descriptor into `block`. A close error other than a missing key
    // becomes `result`.
    void read(ParameterBlock& block, int16_t& result) const;
    // Replaces the host's descriptor by one made from `block`; the dialog stays optional.
    void write(const ParameterBlock& block) const;

    bool available() const;

private:
    void readText(ReadDescriptorToken token, ParameterBlock& block) const;

    const FilterRecord& record_;
    const HostHandles& handles_;
};
