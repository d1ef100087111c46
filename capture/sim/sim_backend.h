#pragma once
// The simulated back end: cameras added by a test or by the stereo rig, listed in that order.

#include <memory>
#include <vector>

#include "capture/camera_backend.h"
#include "capture/sim/sim_device_config.h"

namespace capture {

class SimDevice;

class SimBackend final : public CameraBackend {
public:
    // The camera joins the end of the listing.
    std::shared_ptr<SimDevice> add_device(SimDeviceConfig config);
    const std::vector<std::shared_ptr<SimDevice>>& devices() const { return devices_; }

    std::vector<CameraInfo> list_cameras() override;
    std::unique_ptr<CameraSession> open(const CameraInfo& camera) override;

private:
    std::vector<std::shared_ptr<SimDevice>> devices_;
};

}  // namespace capture
