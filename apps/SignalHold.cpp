#include "apps/SignalHold.h"

namespace {

volatile std::sig_atomic_t gHeld = 0;

} // namespace

void SignalHold::remember(int signal) { gHeld = signal; }

SignalHold::SignalHold() {
    gHeld = 0;
    struct sigaction action {};
    action.sa_handler = &SignalHold::remember;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousInt_);
    sigaction(SIGTERM, &action, &previousTerm_);
}

SignalHold::~SignalHold() {
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
    if (gHeld != 0)
        std::raise(gHeld);
}
