#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "apps/StandInHost.h"

// `patchloom edit` as a host: reads the picture, presents it to the filter module in a colour
// mode and depth, runs the filter through its entry point and, when the user applies, writes
// the filter rectangle back to a PNG. What the host keeps for the filter between runs may live
// in a state file.
class HostedEdit {
public:
    struct Options {
        std::string image;
        std::string output;
        std::string mode;        // empty: rgb, or rgb16 for a 16-bit picture
        std::string stateFile;   // empty: nothing kept between runs
        std::string module;      // empty: MOS.8bf beside the program
        StandInHost::Variant variant;
        bool premiere = false;   // start again under the video editor's name
        bool window = true;      // open the host's own X11 window
    };

    // Exit statuses, as the other commands.
    static constexpr int kApplied = 0;
    static constexpr int kFailed = 1;  // also "not applied": nothing written
    static constexpr int kBadArguments = 2;

    HostedEdit(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    // `words`: the command line after "edit", to start again with when `premiere` asks for it.
    int run(const Options& options, const std::vector<std::string>& words);

    // The about selector of the module.
    int about(const std::string& module);

    static const char* kPremiereName;

private:
    int fail(const std::string& message, int status = kFailed);
    bool restartAsPremiere(const std::vector<std::string>& words);

    std::ostream& out_;
    std::ostream& err_;
};
