#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

ChildProcess::ChildProcess(const std::vector<std::string>& words) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return;
    // Built before fork: the child may only make async-signal-safe calls until it execs.
    static char name[] = "patchloom";
    std::vector<char*> argv{name};
    for (const std::string& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(err[0]);
        execv(PATCHLOOM_PROGRAM, argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    outPipe_ = out[0];
    errPipe_ = err[0];
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && status_ < 0) {
        kill(pid_, SIGKILL);
        wait();
    }
}

void ChildProcess::signal(int number) const {
    if (pid_ > 0)
        kill(pid_, number);
}

// Reads both pipes until the child closes them, so that it never blocks on a full pipe.
void ChildProcess::drain() {
    pollfd fds[2] = {{outPipe_, POLLIN, 0}, {errPipe_, POLLIN, 0}};
    std::string* sinks[2] = {&out_, &err_};
    int open = 2;
    while (open > 0 && poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, size_t(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

int ChildProcess::wait() {
    if (status_ >= 0 || pid_ <= 0)
        return status_;
    drain();
    int raw = 0;
    waitpid(pid_, &raw, 0);
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return status_;
}

int ChildProcess::run(const std::vector<std::string>& words, std::string* out, std::string* err) {
    ChildProcess child(words);
    const int status = child.wait();
    if (out)
        *out = child.out();
    if (err)
        *err = child.err();
    return status;
}
