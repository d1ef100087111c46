#include "capture/media/backend.h"

#include "capture/media/media_platform.h"
#include "capture/media/sim/sim_stereo_rig.h"
#include "capture/media/sim/simple_sim_camera.h"
#include "capture/media/v4l2/libv4l2_ops.h"
#include "capture/media/v4l2/opencv_camera.h"
#include "capture/media/v4l2/v4l2_media_platform.h"

namespace media {

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

std::shared_ptr<MediaPlatform> make_media_platform(const BackendOptions& options) {
    switch (options.backend) {
        case Backend::sim:
            return simulated::make_sim_stereo_rig(options.scene, options.sim_stall_after);
        case Backend::v4l2:
            return std::make_shared<v4l2::V4l2MediaPlatform>(std::make_shared<v4l2::LibV4l2Ops>());
    }
    return std::make_shared<MediaPlatform>();
}

}  // namespace media
