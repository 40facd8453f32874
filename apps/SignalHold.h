#pragma once

#include <csignal>

// Holds Ctrl+C (SIGINT) and SIGTERM back while it lives, for a few steps that must not be cut in
// two. A signal that arrives meanwhile is raised again, with the handling that was in force
// before, when the hold ends. One hold at a time.
class SignalHold {
public:
    SignalHold();
    ~SignalHold();
    SignalHold(const SignalHold&) = delete;
    SignalHold& operator=(const SignalHold&) = delete;

private:
    static void remember(int signal);

    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};
