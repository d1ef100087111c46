#pragma once

#include <memory>

#include <vector>

#include "app/camera_settings.h"
#include "capture/backend.h"

namespace app {

// The numbered menu: runs the chosen items until 99 or the end of input, the modes on the cameras
// of `backend`; the stereo service's capture library object runs on `camera_backend`, the one the
// process's other capture library object uses, with `camera_settings` applied once its cameras are
// open. Returns how it ended.
enum class MenuEnd {
    done,               // 99 or the end of input
    no_capture_device,  // the stereo service found no camera at all
};
MenuEnd run_menu(const capture::BackendOptions& backend, std::shared_ptr<capture::CameraBackend> camera_backend,
                 const std::vector<CameraSetting>& camera_settings);

}  // namespace app
