#pragma once
// The library's controls over V4L2 controls: which control stands behind each, its range and
// value, and its automatic mode where the camera has a switch for it.

#include <optional>
#include <system_error>

#include "capture/camera_backend.h"

namespace capture {

class V4l2Node;

// The control as the camera has it now; nullopt when it lacks it (or V4L2 has no such control).
std::optional<ControlInfo> read_control(const V4l2Node& node, Control id);
// Automatic on a control with a switch turns the switch on (the value is the camera's business
// then); otherwise the switch, if any, goes off and the value is written.
std::error_code write_control(const V4l2Node& node, Control id, int32_t value, bool automatic);

}  // namespace capture
