#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

// The built patchloom program run as a child process, so that tests see real exit statuses,
// real signals and a stderr that is not a terminal (or is one, when asked). Its output is
// collected in unnamed files.
class ChildProcess {
public:
    // Where the child's stdout goes.
    enum class Stdout { Collected, Full, Closed };

    // `terminal`: stderr is a pseudo-terminal, read through waitForText() and err().
    explicit ChildProcess(const std::vector<std::string>& words, Stdout stdoutTo = Stdout::Collected,
                          bool terminal = false);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void sendSignal(int number) const;
    // Reads the terminal until `text` has appeared on it; false when the child closed it first.
    bool waitForText(const std::string& text);
    // Waits for the end: the exit status, or 128 + the signal that ended the child.
    int wait();
    std::string out() const { return contents(out_); }
    std::string err() const { return terminal_ >= 0 ? terminalText_ : contents(err_); }

private:
    static std::string contents(std::FILE* file);
    bool readTerminal();

    pid_t pid_ = -1;
    int status_ = -1;
    std::FILE* out_;
    std::FILE* err_;
    int terminal_ = -1;  // the pseudo-terminal's controlling side
    std::string terminalText_;
};
