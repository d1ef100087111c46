#include "app/stop_signals.h"

namespace app {
namespace {

volatile std::sig_atomic_t g_stop = 0;

void request_stop(int) { g_stop = 1; }

}  // namespace

StopSignals::StopSignals() {
    g_stop = 0;
    struct sigaction action {};
    action.sa_handler = request_stop;
    sigemptyset(&action.sa_mask);
    // Restarted calls keep file and console writes whole; the key wait's poll returns early
    // anyway, so the flag is seen within one loop pass.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previous_int_);
    sigaction(SIGTERM, &action, &previous_term_);
}

StopSignals::~StopSignals() {
    sigaction(SIGINT, &previous_int_, nullptr);
    sigaction(SIGTERM, &previous_term_, nullptr);
}

bool StopSignals::stop_requested() const { return g_stop != 0; }

}  // namespace app
