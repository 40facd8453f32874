#include "ChildProcess.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

ChildProcess::ChildProcess(const std::vector<std::string>& words, Stdout stdoutTo, bool terminal) {
    QStringList arguments;
    for (const std::string& w : words)
        arguments << QString::fromStdString(w);
    std::string terminalName;
    if (terminal) {
        terminal_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (terminal_ >= 0 && grantpt(terminal_) == 0 && unlockpt(terminal_) == 0)
            terminalName = ptsname(terminal_);
    }
    if (stdoutTo == Stdout::Full)
        process_.setStandardOutputFile(QStringLiteral("/dev/full"));
    // Runs in the child between fork and exec: async-signal-safe calls only.
    process_.setChildProcessModifier([stdoutTo, terminalName] {
        if (stdoutTo == Stdout::Closed)
            close(STDOUT_FILENO);
        if (!terminalName.empty())
            dup2(open(terminalName.c_str(), O_RDWR | O_NOCTTY), STDERR_FILENO);
    });
    process_.start(QStringLiteral(PATCHLOOM_PROGRAM), arguments);
    process_.waitForStarted(-1);
}

ChildProcess::~ChildProcess() {
    if (status_ < 0) {
        sendSignal(SIGKILL);
        wait();
    }
    if (terminal_ >= 0)
        close(terminal_);
}

void ChildProcess::sendSignal(int number) const { kill(pid_t(process_.processId()), number); }

// One read from the terminal; false once the child has closed its side.
bool ChildProcess::readTerminal() {
    char buffer[4096];
    const ssize_t n = read(terminal_, buffer, sizeof buffer);
    if (n <= 0)
        return false;
    err_.append(buffer, size_t(n));
    return true;
}

bool ChildProcess::waitForText(const std::string& text) {
    while (terminal_ >= 0 && err_.find(text) == std::string::npos)
        if (!readTerminal())
            return false;
    return terminal_ >= 0;
}

int ChildProcess::wait() {
    if (status_ < 0) {
        // The child would block on a full terminal; read it to the end first.
        while (terminal_ >= 0 && readTerminal()) {
        }
        process_.waitForFinished(-1);
        // A child ended by a signal has that signal as its exit code.
        status_ = (process_.exitStatus() == QProcess::CrashExit ? 128 : 0) + process_.exitCode();
        out_ = process_.readAllStandardOutput().toStdString();
        if (terminal_ < 0)
            err_ = process_.readAllStandardError().toStdString();
    }
    return status_;
}
