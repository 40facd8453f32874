#pragma once

#include <string>

#include "host/HostInterface.h"

// The filter module loaded with dlopen, as a host loads a plug-in, and its entry point. It
// stays loaded for the rest of the process: the toolkit it carries registers exit handlers
// that must still find its code.
class FilterModule {
public:
    // False with a one-line `error` when the file cannot be loaded or exports no ENTRYPOINT.
    bool load(const std::string& path, std::string& error);
    EntryPointProc entry() const { return entry_; }

    // MOS.8bf in the folder of the running program.
    static std::string besideProgram();

private:
    EntryPointProc entry_ = nullptr;
};
