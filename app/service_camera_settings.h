#pragma once
// The camera settings the stereo service applies once its cameras are open: the settings file of
// the work directory, then the command line's, so that `--set` wins for a run.

#include <vector>

#include "app/camera_settings.h"
#include "app/corn_location_service.h"

namespace app {

CamerasOpened service_camera_settings(std::vector<CameraSetting> command_line);

}  // namespace app
