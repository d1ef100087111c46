#pragma once
// A camera's video-processing or camera-control property set over its V4L2 controls (the two
// interfaces have the same operations). Keeps the device node open while it lives.

#include <memory>

#include "capture/media/am_camera_control.h"
#include "capture/media/am_video_proc_amp.h"
#include "capture/media/ref_counted_object.h"
#include "capture/media/v4l2/v4l2_controls.h"
#include "capture/media/v4l2/v4l2_node.h"

namespace media::v4l2 {

template <typename Interface>
class V4l2PropertyControl final : public RefCountedObject<Interface> {
public:
    V4l2PropertyControl(std::shared_ptr<V4l2Node> node, bool camera_control)
        : node_(std::move(node)), camera_control_(camera_control) {}

    HRESULT GetRange(int32_t property, int32_t* min, int32_t* max, int32_t* step, int32_t* default_value,
                     int32_t* flags) override {
        const ControlMapping* m = control_mapping(camera_control_, property);
        return m ? control_range(*node_, *m, min, max, step, default_value, flags) : E_PROP_ID_UNSUPPORTED;
    }
    HRESULT Get(int32_t property, int32_t* value, int32_t* flags) override {
        const ControlMapping* m = control_mapping(camera_control_, property);
        return m ? control_get(*node_, *m, value, flags) : E_PROP_ID_UNSUPPORTED;
    }
    HRESULT Set(int32_t property, int32_t value, int32_t flags) override {
        const ControlMapping* m = control_mapping(camera_control_, property);
        return m ? control_set(*node_, *m, value, flags) : E_PROP_ID_UNSUPPORTED;
    }

private:
    ~V4l2PropertyControl() override = default;
    std::shared_ptr<V4l2Node> node_;
    bool camera_control_;
};

}  // namespace media::v4l2
