#include "cli/Interrupt.h"

#include <csignal>

namespace veltmoor::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int signal) {
    if (g_interrupted) {
        // Asked twice: the operator wants out now. A repair is one transaction, so
        // ending here still leaves no half repair behind.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    g_interrupted = 1;
}

}  // namespace

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // a database call under way finishes as if nothing happened
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return g_interrupted != 0; }

}  // namespace veltmoor::cli
