#include "capture/backend.h"

#include "capture/sim/sim_stereo_rig.h"
#include "capture/sim/simple_sim_camera.h"
#include "capture/v4l2/opencv_camera.h"
#include "capture/v4l2/system_v4l2_ops.h"
#include "capture/v4l2/v4l2_backend.h"

namespace capture {

std::unique_ptr<SimpleCamera> open_simple_camera(const BackendOptions& options) {
    switch (options.backend) {
        case Backend::sim:
            return std::make_unique<SimpleSimCamera>(options.scene, options.sim_stall_after);
        case Backend::v4l2: {
            auto camera = std::make_unique<OpenCvCamera>(0);
            if (!camera->is_open()) return nullptr;
            return camera;
        }
    }
    return nullptr;
}

std::shared_ptr<CameraBackend> make_camera_backend(const BackendOptions& options) {
    if (options.backend == Backend::sim)
        return make_sim_stereo_rig(options.scene, options.sim_stall_after, options.sim_stall_ms);
    return std::make_shared<V4l2Backend>(std::make_shared<SystemV4l2Ops>(), options.devices);
}

}  // namespace capture
