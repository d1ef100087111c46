#pragma once
// The simulated media platform: cameras added by a test or by the stereo rig, in order.

#include <atomic>
#include <memory>
#include <vector>

#include "capture/media/media_platform.h"
#include "capture/media/sim/sim_device_config.h"
#include "capture/media/specify_property_pages.h"

namespace media::simulated {

class SimDevice;

class SimMediaPlatform final : public MediaPlatform {
public:
    // The camera joins the end of the enumeration.
    std::shared_ptr<SimDevice> add_device(SimDeviceConfig config);
    const std::vector<std::shared_ptr<SimDevice>>& devices() const { return devices_; }

    // Nothing is shown: the frame "closes" at once and is counted.
    HRESULT OleCreatePropertyFrame(const char16_t* caption, IUnknown* object, const CAUUID& pages) override;
    int property_frames_shown() const { return frames_shown_.load(); }

protected:
    std::vector<IMoniker*> list_cameras() override;

private:
    std::vector<std::shared_ptr<SimDevice>> devices_;
    std::atomic<int> frames_shown_{0};
};

}  // namespace media::simulated
