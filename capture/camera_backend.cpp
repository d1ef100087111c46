#include "capture/camera_backend.h"

namespace capture {

std::optional<Control> proc_amp_control(int32_t property) {
    if (property < 0 || property > 9) return std::nullopt;
    return static_cast<Control>(property);
}

std::optional<Control> camera_control(int32_t property) {
    if (property < 0 || property > 6) return std::nullopt;
    return static_cast<Control>(10 + property);
}

namespace {

constexpr const char* kControlNames[kControlCount] = {
    "brightness", "contrast", "hue", "saturation", "sharpness", "gamma", "color_enable", "white_balance",
    "backlight_compensation", "gain", "pan", "tilt", "roll", "zoom", "exposure", "iris", "focus"};

}  // namespace

const char* control_name(Control id) { return kControlNames[static_cast<int>(id)]; }

std::optional<Control> control_by_name(std::string_view name) {
    for (int i = 0; i < kControlCount; ++i) {
        if (name == kControlNames[i]) return static_cast<Control>(i);
    }
    return std::nullopt;
}

std::vector<ControlInfo> CameraSession::controls() {
    std::vector<ControlInfo> all;
    for (int i = 0; i < kControlCount; ++i) {
        if (auto c = control(static_cast<Control>(i))) all.push_back(*c);
    }
    return all;
}

bool CameraSession::route(int32_t, int32_t) { return false; }

bool CameraSession::set_video_standard(int32_t) { return false; }

}  // namespace capture
