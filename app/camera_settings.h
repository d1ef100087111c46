#pragma once
// The camera settings a user pins for a run: `--set NAME=VALUE` on the command line and the
// lines of the settings file in the work directory, applied to the open cameras through the
// capture library's property operations.

#include <cstdint>
#include <string>
#include <vector>

#include "capture/camera_backend.h"

namespace capture {
class VideoInput;
}

namespace app {

struct CameraSetting {
    enum class Kind {
        value,      // the control's own number
        percent,    // a share of its range, snapped to its step
        automatic,  // the camera sets it itself
        standard,   // its default value
    };
    capture::Control control = capture::Control::brightness;
    Kind kind = Kind::value;
    int32_t value = 0;    // Kind::value
    float percent = 0.f;  // Kind::percent, 0 to 100
    int camera = -1;      // the device it is for; -1: every device it is applied to
    std::string text;     // "brightness=37.5%", as the user wrote it
};

// Parses NAME=VALUE, VALUE being a whole number, a percentage P% (0 to 100), auto or default.
// False with a one-line message (for an unknown name, listing the names there are).
bool parse_camera_setting(const std::string& text, CameraSetting& setting, std::string& error);

// The settings of the file at path: `index,name,value` lines (index 0 or 1), read with the
// parameter files' splitter; blank lines and lines beginning with '#' are left out. A missing
// file holds none; bad lines are named and skipped, ten at most, the rest counted.
std::vector<CameraSetting> read_camera_settings_file(const std::string& path);

// Applies each setting to the open devices it is for, in order, and prints a line per camera and
// setting with the value it has now. A control the camera lacks or a value out of its range is an
// error line naming what the camera has; the other settings still go ahead. False when any
// setting could not be applied.
bool apply_camera_settings(capture::VideoInput& VI, const std::vector<CameraSetting>& settings,
                           const std::vector<int>& devices);

// "brightness, contrast, ...": every control name.
std::string control_names();

}  // namespace app
