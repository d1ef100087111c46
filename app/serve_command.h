#pragma once
// `cone-locator serve`: the stereo service entered directly, for robots and service managers.

#include <string>
#include <vector>

#include "capture/backend.h"

namespace app {

// Runs the service until q, SIGINT or SIGTERM, each through the normal tear-down. Returns the
// exit status: 0 after such an end, 1 when a camera could not be opened or the service failed,
// 2 for words after `serve`. Without any capture device the process ends with status -1 (255),
// as from the menu.
int run_serve_command(const std::vector<std::string>& args, const capture::BackendOptions& backend);

}  // namespace app
