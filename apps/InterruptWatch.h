#pragma once

#include <condition_variable>
#include <csignal>
#include <functional>
#include <mutex>
#include <thread>

// Turns Ctrl+C (SIGINT) and SIGTERM into a clean stop while it lives. The signal handler only
// sets a flag; a watcher thread notices it within a few milliseconds and calls `onInterrupt`
// once, so that even a paste in the middle of its cut can be abandoned. The handlers are
// one-shot: a second signal ends the process the default way. One watch at a time.
class InterruptWatch {
public:
    explicit InterruptWatch(std::function<void()> onInterrupt);
    // Stops the watcher and puts the previous handlers back.
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // True once a signal arrived.
    bool interrupted() const;

private:
    static void handle(int signal);
    void watch();

    std::function<void()> onInterrupt_;
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread watcher_;
};
