#pragma once
// The process-wide request to stop, set from a signal handler (SIGINT, SIGTERM of `serve`) and
// looked at by every loop and every long read, so a stop always takes effect within a pass.

namespace platform {

// Async-signal-safe: sets the flag only.
void request_stop();
void clear_stop();
bool stop_requested();

}  // namespace platform
