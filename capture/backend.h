#pragma once
// The one place that picks a camera back end: the simulated rig for tests and demos, or V4L2 for
// real USB cameras on Linux.

#include <memory>
#include <string>
#include <vector>

#include "capture/camera_backend.h"
#include "sim/scene.h"

namespace cv {
class Mat;
}

namespace capture {

enum class Backend { sim, v4l2 };

struct BackendOptions {
    Backend backend = Backend::v4l2;
    sim::Scene scene = sim::default_scene();  // what the simulated cameras see
    int sim_stall_after = -1;                 // simulated cameras stop after this many frames; -1 never
    int sim_stall_ms = -1;                    // ... for this long, then deliver on; -1 for good
    std::vector<std::string> devices;         // V4L2 nodes pinned as devices 0, 1, ...
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

// The cameras the capture library runs on: the simulated stereo rig, or the real ones.
std::shared_ptr<CameraBackend> make_camera_backend(const BackendOptions& options);

}  // namespace capture
