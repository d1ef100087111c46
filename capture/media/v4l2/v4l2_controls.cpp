#include "capture/media/v4l2/v4l2_controls.h"

#include <linux/videodev2.h>

#include "capture/media/v4l2/v4l2_error.h"
#include "capture/media/v4l2/v4l2_node.h"

namespace media::v4l2 {
namespace {

// Indexed by property identifier. Colour enable and roll have no V4L2 control.
constexpr ControlMapping kProcAmp[10] = {
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
};
constexpr ControlMapping kCameraControl[7] = {
    {V4L2_CID_PAN_ABSOLUTE, 0},
    {V4L2_CID_TILT_ABSOLUTE, 0},
    {0, 0},
    {V4L2_CID_ZOOM_ABSOLUTE, 0},
    {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO},
    {V4L2_CID_IRIS_ABSOLUTE, 0},
    {V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO},
};

// The control's description; false when the camera lacks it or has it switched off for good.
bool query(V4l2Node& node, uint32_t id, v4l2_queryctrl& q) {
    if (id == 0) return false;
    q = v4l2_queryctrl{};
    q.id = id;
    return node.xioctl(VIDIOC_QUERYCTRL, &q) == 0 && !(q.flags & V4L2_CTRL_FLAG_DISABLED);
}

bool has_auto(V4l2Node& node, const ControlMapping& m) {
    v4l2_queryctrl q;
    return query(node, m.auto_control, q);
}

int read_control(V4l2Node& node, uint32_t id, int32_t* value) {
    v4l2_control c{};
    c.id = id;
    int r = node.xioctl(VIDIOC_G_CTRL, &c);
    if (r == 0) *value = c.value;
    return r;
}

int write_control(V4l2Node& node, uint32_t id, int32_t value) {
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

int switch_auto(V4l2Node& node, uint32_t auto_control, bool on) {
    if (auto_control != V4L2_CID_EXPOSURE_AUTO) return write_control(node, auto_control, on ? 1 : 0);
    if (!on) return write_control(node, auto_control, V4L2_EXPOSURE_MANUAL);
    // Webcams often offer only aperture priority as their automatic mode.
    int r = write_control(node, auto_control, V4L2_EXPOSURE_AUTO);
    if (r != 0) r = write_control(node, auto_control, V4L2_EXPOSURE_APERTURE_PRIORITY);
    return r;
}

}  // namespace

const ControlMapping* control_mapping(bool camera_control, int32_t property) {
    const ControlMapping* table = camera_control ? kCameraControl : kProcAmp;
    const int32_t size = camera_control ? 7 : 10;
    if (property < 0 || property >= size || table[property].control == 0) return nullptr;
    return &table[property];
}

HRESULT control_range(V4l2Node& node, const ControlMapping& m, int32_t* min, int32_t* max, int32_t* step,
                      int32_t* default_value, int32_t* flags) {
    if (!min || !max || !step || !default_value || !flags) return E_POINTER;
    v4l2_queryctrl q;
    if (!query(node, m.control, q)) return E_PROP_ID_UNSUPPORTED;
    *min = q.minimum;
    *max = q.maximum;
    *step = q.step;
    *default_value = q.default_value;
    *flags = has_auto(node, m) ? 3 : 2;
    return S_OK;
}

HRESULT control_get(V4l2Node& node, const ControlMapping& m, int32_t* value, int32_t* flags) {
    if (!value || !flags) return E_POINTER;
    v4l2_queryctrl q;
    if (!query(node, m.control, q)) return E_PROP_ID_UNSUPPORTED;
    if (int r = read_control(node, m.control, value); r != 0) return hresult_from_errno(-r);
    *flags = 2;
    int32_t mode = 0;
    if (has_auto(node, m) && read_control(node, m.auto_control, &mode) == 0 &&
        auto_is_on(m.auto_control, mode))
        *flags = 1;
    return S_OK;
}

HRESULT control_set(V4l2Node& node, const ControlMapping& m, int32_t value, int32_t flags) {
    v4l2_queryctrl q;
    if (!query(node, m.control, q)) return E_PROP_ID_UNSUPPORTED;
    const bool automatic = has_auto(node, m);
    if (automatic) {
        if (int r = switch_auto(node, m.auto_control, (flags & 1) != 0); r != 0)
            return hresult_from_errno(-r);
        if (flags & 1) return S_OK;
    }
    if (int r = write_control(node, m.control, value); r != 0) return hresult_from_errno(-r);
    return S_OK;
}

}  // namespace media::v4l2
