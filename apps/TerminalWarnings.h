#pragma once

#include <ostream>
#include <string>

#include "session/WarningReporter.h"

// Prints the loader's warnings on a terminal stream, one line each: the HTML line breaks the
// warning boxes use become spaces.
class TerminalWarnings : public WarningReporter {
public:
    TerminalWarnings(std::ostream& stream, std::string prefix) : stream_(stream), prefix_(std::move(prefix)) {}

    void warning(const QString& text) override;

    static std::string plainLine(const QString& text);

private:
    std::ostream& stream_;
    std::string prefix_;
};
