#pragma once
// `cone-locator cameras`: the cameras as the tool sees them (index, name, port, formats and sizes,
// controls with range, default and current value), after applying the user's `--set` settings to
// devices 0 and 1; `--pages` shows each camera's property pages.

#include <vector>

#include "app/camera_settings.h"
#include "capture/backend.h"
#include "platform/command_line.h"

namespace app {

struct CamerasArgs {
    bool pages = false;  // show the property pages (with a display: a window per camera)
};

// The command's entry in the program's table; its options write into `out`.
platform::CliCommand cameras_cli_command(CamerasArgs& out);

// Runs the command; returns the exit status: 0 done, 1 a setting could not be applied or a camera
// could not be opened for it.
int run_cameras_command(const capture::BackendOptions& backend, const CamerasArgs& args,
                        const std::vector<CameraSetting>& settings, bool headless);

}  // namespace app
