#include "apps/InterruptWatch.h"

#include <atomic>
#include <chrono>

namespace {

// Set by the handler, read by the watcher thread: a lock-free atomic is safe for both, where a
// sig_atomic_t is only safe within one thread.
std::atomic<int> gSignalled{0};
static_assert(std::atomic<int>::is_always_lock_free);

constexpr auto kPollInterval = std::chrono::milliseconds(5);

} // namespace

void InterruptWatch::handle(int) { gSignalled.store(1); }

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt) : onInterrupt_(std::move(onInterrupt)) {
    gSignalled.store(0);
    struct sigaction action {};
    action.sa_handler = &InterruptWatch::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, &previousInt_);
    sigaction(SIGTERM, &action, &previousTerm_);
    watcher_ = std::thread([this] { watch(); });
}

InterruptWatch::~InterruptWatch() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    wake_.notify_all();
    watcher_.join();
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
}

bool InterruptWatch::interrupted() const { return gSignalled != 0; }

void InterruptWatch::watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!done_) {
        if (gSignalled) {
            lock.unlock();
            if (onInterrupt_)
                onInterrupt_();
            return;
        }
        wake_.wait_for(lock, kPollInterval);
    }
}
