#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// The built patchloom program run as a child process, with stdout and stderr captured, so that
// tests see real exit statuses, real signals and a stderr that is not a terminal.
class ChildProcess {
public:
    // Starts PATCHLOOM_PROGRAM with `words` as its arguments.
    explicit ChildProcess(const std::vector<std::string>& words);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void signal(int number) const;
    // Waits for the end; the exit status, or 128 + the signal that ended it.
    int wait();

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

    // Runs to the end and returns the exit status.
    static int run(const std::vector<std::string>& words, std::string* out = nullptr, std::string* err = nullptr);

private:
    void drain();

    pid_t pid_ = -1;
    int outPipe_ = -1;
    int errPipe_ = -1;
    int status_ = -1;
    std::string out_;
    std::string err_;
};
