#pragma once

#include <string>
#include <vector>

#include "apps/EditOptions.h"

// Turns the words after `patchloom edit` into EditOptions. Options take their value as the
// next word or after '=' (--size=512x512); "--" ends the options. Every error is one line
// naming the option or word at fault.
class EditArgumentParser {
public:
    struct Result {
        EditOptions options;
        std::string error;  // empty on success
        bool ok() const { return error.empty(); }
    };

    static Result parse(const std::vector<std::string>& words);

    // The window needs two pixels each way; the upper bound is the loader's pixel limit side.
    static constexpr uint32_t kMinSide = 2;
    static constexpr uint32_t kMaxSide = 8192;

private:
    static bool parseSize(const std::string& value, EditOptions& options, std::string& error);
};
