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
