#include "ChildProcess.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

ChildProcess::ChildProcess(const std::vector<std::string>& words, Stdout stdoutTo, bool terminal)
    : out_(std::tmpfile()), err_(std::tmpfile()) {
    // Built before fork: the child may only make async-signal-safe calls until it execs.
    static char name[] = "patchloom";
    std::vector<char*> argv{name};
    for (const std::string& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    std::string terminalName;
    if (terminal) {
        terminal_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (terminal_ >= 0 && grantpt(terminal_) == 0 && unlockpt(terminal_) == 0)
            terminalName = ptsname(terminal_);
    }
    pid_ = fork();
    if (pid_ == 0) {
        if (stdoutTo == Stdout::Collected)
            dup2(fileno(out_), STDOUT_FILENO);
        else if (stdoutTo == Stdout::Full)
            dup2(open("/dev/full", O_WRONLY), STDOUT_FILENO);
        else
            close(STDOUT_FILENO);
        if (!terminalName.empty())
            dup2(open(terminalName.c_str(), O_RDWR | O_NOCTTY), STDERR_FILENO);
        else
            dup2(fileno(err_), STDERR_FILENO);
        execv(PATCHLOOM_PROGRAM, argv.data());
        _exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && status_ < 0) {
        kill(pid_, SIGKILL);
        wait();
    }
    if (terminal_ >= 0)
        close(terminal_);
    std::fclose(out_);
    std::fclose(err_);
}

void ChildProcess::sendSignal(int number) const { kill(pid_, number); }

// One read from the terminal; false once the child has closed its side.
bool ChildProcess::readTerminal() {
    char buffer[4096];
    const ssize_t n = read(terminal_, buffer, sizeof buffer);
    if (n <= 0)
        return false;
    terminalText_.append(buffer, size_t(n));
    return true;
}

bool ChildProcess::waitForText(const std::string& text) {
    while (terminal_ >= 0 && terminalText_.find(text) == std::string::npos)
        if (!readTerminal())
            return false;
    return terminal_ >= 0;
}

int ChildProcess::wait() {
    if (status_ < 0) {
        // The child would block on a full terminal; read it to the end first.
        while (terminal_ >= 0 && readTerminal()) {
        }
        int raw = 0;
        waitpid(pid_, &raw, 0);
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    return status_;
}

std::string ChildProcess::contents(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    return text;
}
