#pragma once
// The video-processing and camera-control properties over V4L2 controls: which control stands
// behind each property, and range, read and write with the automatic/manual flags (1 automatic,
// 2 manual), automatic only where the camera has an automatic control for the property.

#include <cstdint>

#include "capture/media/result.h"

namespace media::v4l2 {

class V4l2Node;

// The control behind a property and its automatic-mode switch (0: none).
struct ControlMapping {
    uint32_t control = 0;
    uint32_t auto_control = 0;
};

// Property `property` of the video-processing family (brightness 0 ... gain 9) or the
// camera-control family (pan 0 ... focus 6); null when V4L2 has no such control.
const ControlMapping* control_mapping(bool camera_control, int32_t property);

// Minimum, maximum, step and default of the control; flags 2, or 3 when it can run
// automatically. E_PROP_ID_UNSUPPORTED when the camera lacks the control.
HRESULT control_range(V4l2Node& node, const ControlMapping& mapping, int32_t* min, int32_t* max,
                      int32_t* step, int32_t* default_value, int32_t* flags);
// The current value, with flags 1 while the automatic switch is on, else 2.
HRESULT control_get(V4l2Node& node, const ControlMapping& mapping, int32_t* value, int32_t* flags);
// Flags 1 on a control with an automatic switch turns that switch on (the value is the camera's
// business then); otherwise the switch, if any, goes off and the value is written.
HRESULT control_set(V4l2Node& node, const ControlMapping& mapping, int32_t value, int32_t flags);

}  // namespace media::v4l2
