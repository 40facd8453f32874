#pragma once

#include <QProcess>

#include <string>
#include <vector>

// The built patchloom program run as a child process, so that tests see real exit statuses,
// real signals and a stderr that is not a terminal (or is one, when asked).
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
    std::string out() const { return out_; }
    std::string err() const { return err_; }

private:
    bool readTerminal();

    QProcess process_;
    int status_ = -1;
    std::string out_;
    std::string err_;  // after wait(), or what the terminal showed so far
    int terminal_ = -1;  // the pseudo-terminal's controlling side
};
