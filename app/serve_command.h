#pragma once
// `cone-locator serve`: the stereo service entered directly, for robots and service managers.

#include <vector>

#include "app/camera_settings.h"
#include "capture/backend.h"
#include "platform/command_line.h"

namespace app {

// The command's entry in the program's table.
platform::CliCommand serve_cli_command();

// Runs the service until q, SIGINT or SIGTERM, each through the normal tear-down. Returns the
// exit status: 0 after such an end, 1 when a camera could not be opened or the service failed,
// 255 without any capture device, as from the menu. The settings file and then `settings` are
// applied once the cameras are open.
int run_serve_command(const capture::BackendOptions& backend, const std::vector<CameraSetting>& settings = {});

}  // namespace app
