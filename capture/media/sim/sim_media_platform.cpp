#include "capture/media/sim/sim_media_platform.h"

#include "capture/media/sim/sim_device.h"
#include "capture/media/sim/sim_moniker.h"

namespace media::simulated {

std::shared_ptr<SimDevice> SimMediaPlatform::add_device(SimDeviceConfig config) {
    devices_.push_back(std::make_shared<SimDevice>(std::move(config)));
    return devices_.back();
}

HRESULT SimMediaPlatform::OleCreatePropertyFrame(const char16_t* caption, IUnknown* object, const CAUUID& pages) {
    if (!caption || !object || pages.count == 0) return E_INVALIDARG;
    frames_shown_.fetch_add(1);
    return S_OK;
}

std::vector<IMoniker*> SimMediaPlatform::list_cameras() {
    std::vector<IMoniker*> monikers;
    for (const auto& d : devices_) monikers.push_back(new SimMoniker(d, fault_plan()));
    return monikers;
}

}  // namespace media::simulated
