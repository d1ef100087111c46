#include "app/stop_signals.h"

#include "platform/stop_flag.h"

namespace app {
namespace {

void on_stop_signal(int) { platform::request_stop(); }

}  // namespace

StopSignals::StopSignals() {
    platform::clear_stop();
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    // Restarted calls keep file and console writes whole; the key wait's poll returns early
    // anyway, and the file readers look at the flag, so it is seen within one loop pass.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previous_int_);
    sigaction(SIGTERM, &action, &previous_term_);
}

StopSignals::~StopSignals() {
    sigaction(SIGINT, &previous_int_, nullptr);
    sigaction(SIGTERM, &previous_term_, nullptr);
    platform::clear_stop();  // the stop was for the service that has ended; later reads go on
}

bool StopSignals::stop_requested() const { return platform::stop_requested(); }

}  // namespace app
