#include "capture/v4l2/v4l2_controls.h"

#include <linux/videodev2.h>

#include "capture/v4l2/v4l2_node.h"

namespace capture {
namespace {

// The control behind each of the library's controls and its automatic-mode switch (0: none).
struct ControlMapping {
    uint32_t control = 0;
    uint32_t auto_control = 0;
};

// In the order of Control. Colour enable and roll have no V4L2 control.
constexpr ControlMapping kMappings[kControlCount] = {
    {V4L2_CID_BRIGHTNESS, 0},
    {V4L2_CID_CONTRAST, 0},
    {V4L2_CID_HUE, V4L2_CID_HUE_AUTO},
    {V4L2_CID_SATURATION, 0},
    {V4L2_CID_SHARPNESS, 0},
    {V4L2_CID_GAMMA, 0},
    {0, 0},
    {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE},
    {V4L2_CID_BACKLIGHT_COMPENSATION, 0},
    {V4L2_CID_GAIN, V4L2_CID_AUTOGAIN},
    {V4L2_CID_PAN_ABSOLUTE, 0},
    {V4L2_CID_TILT_ABSOLUTE, 0},
    {0, 0},
    {V4L2_CID_ZOOM_ABSOLUTE, 0},
    {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO},
    {V4L2_CID_IRIS_ABSOLUTE, 0},
    {V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO},
};

const ControlMapping& mapping(Control id) { return kMappings[static_cast<int>(id)]; }

// The control's description; false when the camera lacks it or has it switched off for good.
bool query(const V4l2Node& node, uint32_t id, v4l2_queryctrl& q) {
    if (id == 0) return false;
    q = v4l2_queryctrl{};
    q.id = id;
    return node.xioctl(VIDIOC_QUERYCTRL, &q) == 0 && !(q.flags & V4L2_CTRL_FLAG_DISABLED);
}

int get(const V4l2Node& node, uint32_t id, int32_t& value) {
    v4l2_control c{};
    c.id = id;
    const int r = node.xioctl(VIDIOC_G_CTRL, &c);
    if (r == 0) value = c.value;
    return r;
}

int set(const V4l2Node& node, uint32_t id, int32_t value) {
    v4l2_control c{};
    c.id = id;
    c.value = value;
    return node.xioctl(VIDIOC_S_CTRL, &c);
}

// Exposure's switch is a menu with several automatic modes; the others are on/off.
bool auto_is_on(uint32_t auto_control, int32_t value) {
    if (auto_control == V4L2_CID_EXPOSURE_AUTO) return value != V4L2_EXPOSURE_MANUAL;
    return value != 0;
}

int switch_auto(const V4l2Node& node, uint32_t auto_control, bool on) {
    if (auto_control != V4L2_CID_EXPOSURE_AUTO) return set(node, auto_control, on ? 1 : 0);
    if (!on) return set(node, auto_control, V4L2_EXPOSURE_MANUAL);
    // Webcams often offer only aperture priority as their automatic mode.
    const int r = set(node, auto_control, V4L2_EXPOSURE_AUTO);
    return r == 0 ? r : set(node, auto_control, V4L2_EXPOSURE_APERTURE_PRIORITY);
}

std::error_code from_errno(int r) { return {-r, std::system_category()}; }

}  // namespace

std::optional<ControlInfo> read_control(const V4l2Node& node, Control id) {
    const ControlMapping& m = mapping(id);
    v4l2_queryctrl q;
    if (!query(node, m.control, q)) return std::nullopt;
    ControlInfo info;
    info.id = id;
    info.min = q.minimum;
    info.max = q.maximum;
    info.step = q.step;
    info.default_value = q.default_value;
    if (get(node, m.control, info.value) != 0) return std::nullopt;
    v4l2_queryctrl a;
    int32_t mode = 0;
    info.has_auto = query(node, m.auto_control, a);
    info.automatic =
        info.has_auto && get(node, m.auto_control, mode) == 0 && auto_is_on(m.auto_control, mode);
    return info;
}

std::error_code write_control(const V4l2Node& node, Control id, int32_t value, bool automatic) {
    const ControlMapping& m = mapping(id);
    v4l2_queryctrl q;
    if (!query(node, m.control, q)) return std::make_error_code(std::errc::not_supported);
    if (query(node, m.auto_control, q)) {
        if (const int r = switch_auto(node, m.auto_control, automatic); r != 0) return from_errno(r);
        if (automatic) return {};
    }
    if (const int r = set(node, m.control, value); r != 0) return from_errno(r);
    return {};
}

}  // namespace capture
