#include "capture/media/sim/sim_moniker.h"

#include "capture/media/name_property_bag.h"
#include "capture/media/sim/sim_device.h"
#include "capture/media/sim/sim_source_filter.h"

namespace media::simulated {

SimMoniker::SimMoniker(std::shared_ptr<SimDevice> device, std::shared_ptr<FaultPlan> faults)
    : device_(std::move(device)), faults_(std::move(faults)) {}

HRESULT SimMoniker::BindToStorage(IPropertyBag** bag) {
    if (!bag) return E_POINTER;
    *bag = nullptr;
    if (HRESULT hr = planned_result(faults_, "IMoniker::BindToStorage"); FAILED(hr)) return hr;
    if (device_->config().property_bag_fails) return E_FAIL;
    *bag = new NamePropertyBag(device_->config().friendly_name, device_->config().description);
    return S_OK;
}

HRESULT SimMoniker::BindToObject(IBaseFilter** filter) {
    if (!filter) return E_POINTER;
    *filter = nullptr;
    if (HRESULT hr = planned_result(faults_, "IMoniker::BindToObject"); FAILED(hr)) return hr;
    *filter = static_cast<SourceFilter*>(new SimSourceFilter(device_, faults_));
    return S_OK;
}

}  // namespace media::simulated
