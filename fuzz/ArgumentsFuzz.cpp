// The command line of `patchloom synth` and `patchloom edit`: the first byte picks the command,
// the rest are its words, separated by zero bytes as in argv. Every command line must either be
// refused with a message or give options inside the ranges the commands rely on.
#include <cstdlib>
#include <string>
#include <vector>

#include "apps/EditArgumentParser.h"
#include "apps/HostImage.h"
#include "apps/SynthArgumentParser.h"

namespace {

std::vector<std::string> wordsOf(const uint8_t* data, size_t size) {
    std::vector<std::string> words(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back() += char(data[i]);
    }
    return words;
}

bool within(long value, long low, long high) { return value >= low && value <= high; }

bool sensible(const SynthOptions& o) {
    using P = SynthArgumentParser;
    const bool sides = within(o.width, P::kMinSide, P::kMaxSide) && within(o.height, P::kMinSide, P::kMaxSide);
    const bool amounts = o.jittering >= 0 && o.jittering <= 1 && o.coveringFactor >= 0 && o.coveringFactor < 1 &&
                         within(o.filterRadius, 0, P::kMaxFilterRadius) && o.chunkCount <= P::kMaxChunks &&
                         o.chunkSize >= float(P::kMinChunkSize) * 0.01f &&
                         o.chunkSize <= float(P::kMaxChunkSize) * 0.01f;
    const bool memory = o.memoryLimit == 0 || (o.memoryLimit >= uint64_t(P::kMinMemoryMegabytes) << 20 &&
                                               o.memoryLimit <= uint64_t(P::kMaxMemoryMegabytes) << 20);
    bool companions = true;
    for (const CompanionOption& c : o.companions)
        companions = companions && !c.output.empty() && c.output != o.output && c.maps.size() == o.inputs.size();
    return sides && amounts && memory && companions && !o.output.empty() && o.demo == o.inputs.empty();
}

bool sensible(const EditOptions& o) {
    using P = EditArgumentParser;
    const bool size = !o.sizeGiven || (within(o.width, P::kMinSide, P::kMaxSide) &&
                                       within(o.height, P::kMinSide, P::kMaxSide));
    return size && !o.output.empty() && (o.sizeGiven || !o.image.empty()) &&
           (o.mode.empty() || HostImage::modeNamed(o.mode));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::vector<std::string> words = wordsOf(data + 1, size - 1);
    if (data[0] % 2 == 0) {
        const SynthArgumentParser::Result result = SynthArgumentParser::parse(words);
        if (result.ok() && !result.options.help && !sensible(result.options))
            std::abort();
    } else {
        const EditArgumentParser::Result result = EditArgumentParser::parse(words);
        if (result.ok() && !result.options.help && !sensible(result.options))
            std::abort();
    }
    return 0;
}
