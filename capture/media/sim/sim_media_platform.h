#pragma once
// The simulated media platform: cameras added by a test or by the stereo rig, in order.

#include <memory>
#include <vector>

#include "capture/media/media_platform.h"
#include "capture/media/sim/sim_device_config.h"

namespace media::simulated {

class SimDevice;

class SimMediaPlatform final : public MediaPlatform {
public:
    // The camera joins the end of the enumeration.
    std::shared_ptr<SimDevice> add_device(SimDeviceConfig config);
    const std::vector<std::shared_ptr<SimDevice>>& devices() const { return devices_; }

protected:
    std::vector<IMoniker*> list_cameras() override;

private:
    std::vector<std::shared_ptr<SimDevice>> devices_;
};

}  // namespace media::simulated
