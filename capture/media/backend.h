#pragma once
// The one place that picks a camera back end: the simulated rig for tests and demos, or V4L2 for
// real USB cameras on Linux.

#include <memory>
#include <string>

#include "sim/scene.h"

namespace cv {
class Mat;
}

namespace media {

class MediaPlatform;

enum class Backend { sim, v4l2 };

struct BackendOptions {
    Backend backend = Backend::v4l2;
    sim::Scene scene = sim::default_scene();  // what the simulated cameras see
    int sim_stall_after = -1;                 // simulated cameras stop after this many frames; -1 never
};

// The plain single camera of the live preview (camera index 0).
class SimpleCamera {
public:
    virtual ~SimpleCamera() = default;
    // The next frame (BGR, as delivered); false when the camera gave none.
    virtual bool read(cv::Mat& frame) = 0;
};

// nullptr when there is no camera.
std::unique_ptr<SimpleCamera> open_simple_camera(const BackendOptions& options);

// The media platform the capture library runs on: the simulated stereo rig, or the real cameras.
std::shared_ptr<MediaPlatform> make_media_platform(const BackendOptions& options);

}  // namespace media
