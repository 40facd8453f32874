#pragma once

#include <ostream>
#include <string>
#include <vector>

// The `patchloom` command line: picks the subcommand named by the first word and runs it.
// Never throws; every failure becomes a message on `err` and an exit status.
class PatchloomProgram {
public:
    // `errIsTerminal`: stderr is a terminal, so progress may be drawn on it.
    PatchloomProgram(std::ostream& out, std::ostream& err, bool errIsTerminal)
        : out_(out), err_(err), errIsTerminal_(errIsTerminal) {}

    // The words after the program name; returns the exit status (1 also when what was meant
    // for `out` could not be written).
    int run(const std::vector<std::string>& words);

    static std::string usage();
    static std::string aboutUsage();

private:
    int dispatch(const std::vector<std::string>& words);
    int help(const std::vector<std::string>& words);
    int about(const std::vector<std::string>& words);
    int checkOutput(int status);

    std::ostream& out_;
    std::ostream& err_;
    bool errIsTerminal_;
};
