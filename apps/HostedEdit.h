#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <QImage>

#include "apps/EditOptions.h"
#include "apps/StandInHost.h"

// `patchloom edit` as a host: reads the picture, presents it to the filter module in a colour
// mode and depth, runs the filter through its entry point and, when the user applies, writes
// the filter rectangle back to a PNG. What the host keeps for the filter between runs may live
// in a state file.
class HostedEdit {
public:
    // Exit statuses, as the other commands.
    static constexpr int kApplied = 0;
    static constexpr int kFailed = 1;  // also "not applied": nothing written
    static constexpr int kBadArguments = 2;

    HostedEdit(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    // Runs the filter on `picture` (8 or 16 bits per channel) as options.mode asks and writes
    // options.output on apply. `words`: the command line after "edit", to start again with
    // when options.premiere asks for it.
    int run(const QImage& picture, const EditOptions& options, const std::vector<std::string>& words);

    // The about selector of the module at `module` (empty: beside the program).
    int about(const std::string& module);

    static const char* kPremiereName;

private:
    int fail(const std::string& message, int status = kFailed);
    bool restartAsPremiere(const std::vector<std::string>& words);

    std::ostream& out_;
    std::ostream& err_;
};
