#include "ChildProcess.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <sstream>

ChildProcess::ChildProcess(const std::vector<std::string>& words) : out_(std::tmpfile()), err_(std::tmpfile()) {
    // Built before fork: the child may only make async-signal-safe calls until it execs.
    static char name[] = "patchloom";
    std::vector<char*> argv{name};
    for (const std::string& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(fileno(out_), STDOUT_FILENO);
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
    std::fclose(out_);
    std::fclose(err_);
}

void ChildProcess::sendSignal(int number) const { kill(pid_, number); }

double ChildProcess::cpuSeconds() const {
    std::ifstream file("/proc/" + std::to_string(pid_) + "/stat");
    const std::string stat{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const size_t nameEnd = stat.rfind(')'); // fields 14 and 15 follow the program name
    if (nameEnd == std::string::npos)
        return 0.0;
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string skipped;
    for (int field = 3; field <= 13; ++field)
        fields >> skipped;
    unsigned long long user = 0, system = 0;
    fields >> user >> system;
    return double(user + system) / double(sysconf(_SC_CLK_TCK));
}

int ChildProcess::wait() {
    if (status_ < 0) {
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
