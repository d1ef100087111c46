#pragma once
// SIGINT and SIGTERM as a request to stop: `serve` ends through its normal tear-down instead of
// being killed in the middle of a request.

#include <csignal>

namespace app {

// While it lives, SIGINT and SIGTERM only set a flag; the previous handlers come back afterwards.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // True once one of the signals has arrived.
    bool stop_requested() const;

private:
    struct sigaction previous_int_ {};
    struct sigaction previous_term_ {};
};

}  // namespace app
