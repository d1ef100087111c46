#include "app/service_camera_settings.h"

#include "files/protocol_files.h"

namespace app {

CamerasOpened service_camera_settings(std::vector<CameraSetting> command_line) {
    return [command_line = std::move(command_line)](capture::VideoInput& VI) {
        std::vector<CameraSetting> settings = read_camera_settings_file(files::camera_settings_path());
        settings.insert(settings.end(), command_line.begin(), command_line.end());
        if (!settings.empty()) apply_camera_settings(VI, settings, {0, 1});
    };
}

}  // namespace app
