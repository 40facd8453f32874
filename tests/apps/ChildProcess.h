#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

// The built patchloom program run as a child process, so that tests see real exit statuses,
// real signals and a stderr that is not a terminal. Its output is collected in unnamed files.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& words);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void sendSignal(int number) const;
    // CPU time (user and system) the child has used so far, in seconds.
    double cpuSeconds() const;
    // Waits for the end: the exit status, or 128 + the signal that ended the child.
    int wait();
    std::string out() const { return contents(out_); }
    std::string err() const { return contents(err_); }

private:
    static std::string contents(std::FILE* file);

    pid_t pid_ = -1;
    int status_ = -1;
    std::FILE* out_;
    std::FILE* err_;
};
