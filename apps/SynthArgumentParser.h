#pragma once

#include <set>
#include <string>
#include <vector>

#include "apps/SynthOptions.h"

// Turns the words after `patchloom synth` into SynthOptions. Options take their value as the
// next word or after '=' (--size=512x512); "--" ends the options. An option with a value may be
// given once. Every error names the option at fault in a single line, so the caller can print
// it as it is and exit with status 2.
class SynthArgumentParser {
public:
    struct Result {
        SynthOptions options;
        std::string error; // empty on success
        bool ok() const { return error.empty(); }
    };

    static Result parse(const std::vector<std::string>& words);

    // Accepted ranges, the same as the interactive controls where those exist.
    static constexpr uint32_t kMinSide = 8;
    static constexpr uint32_t kMaxSide = 8192;
    static constexpr long kMaxJitter = 100;
    static constexpr long kMaxCovering = 99;
    static constexpr long kMinChunks = 1, kMaxChunks = 100;
    static constexpr long kMinChunkSize = 5, kMaxChunkSize = 80;
    static constexpr long kMaxFilterRadius = 25;

private:
    explicit SynthArgumentParser(const std::vector<std::string>& words) : words_(words) {}

    void run();
    bool takeOption(const std::string& word);
    bool takeOnce(const std::string& name);
    bool takeValue(const std::string& name, std::string& value);
    bool applyOption(const std::string& name, const std::string& value);
    bool parseSize(const std::string& name, const std::string& value);
    bool parseMethod(const std::string& name, const std::string& value);
    bool parseWhole(const std::string& name, const std::string& value, long low, long high, long& out);
    void checkCombination();
    void chooseMethod();
    void checkCompanions();
    bool parseCompanion(const std::string& value, CompanionOption& companion);
    bool fail(const std::string& message);

    const std::vector<std::string>& words_;
    size_t next_ = 0;
    std::string inlineValue_;
    bool hasInlineValue_ = false;
    bool chunkSizeGiven_ = false;
    std::vector<std::string> companionValues_; // split once all INPUTs are known
    std::set<std::string> given_;  // options with a value seen so far, by their long name
    Result result_;
};
