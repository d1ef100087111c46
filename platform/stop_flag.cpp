#include "platform/stop_flag.h"

#include <csignal>

namespace platform {
namespace {

volatile std::sig_atomic_t g_stop = 0;

}  // namespace

void request_stop() { g_stop = 1; }
void clear_stop() { g_stop = 0; }
bool stop_requested() { return g_stop != 0; }

}  // namespace platform
