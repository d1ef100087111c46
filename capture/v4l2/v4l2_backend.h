#pragma once
// The V4L2 back end: the cameras are the video capture nodes, ordered by the USB port they are
// plugged into (from sysfs), so a camera in a given port keeps its index across reboots and
// replugs. Nodes given on the command line are pinned as devices 0, 1, ... in front of the rest.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "capture/camera_backend.h"
#include "capture/v4l2/v4l2_ops.h"

namespace capture {

class V4l2Backend final : public CameraBackend {
public:
    // ops: the device layer (the kernel, or a scripted one in tests); pinned: device nodes or
    // their /dev/v4l/by-path names for devices 0, 1, ...
    explicit V4l2Backend(std::shared_ptr<V4l2Ops> ops, std::vector<std::string> pinned = {});

    // Nodes that carry only metadata or output are left out; a node that can't be opened is
    // kept with the reason (no permission, busy).
    std::vector<CameraInfo> list_cameras() override;
    // Opens the camera's node once; a failure is named on the error stream with its cause.
    std::unique_ptr<CameraSession> open(const CameraInfo& camera) override;

private:
    // What QUERYCAP said of a node, kept while the node stays the same.
    struct Probe {
        bool capture = false;
        std::string card;
    };

    std::shared_ptr<V4l2Ops> ops_;
    std::vector<std::string> pinned_;
    std::map<std::string, Probe> probes_;
};

}  // namespace capture
