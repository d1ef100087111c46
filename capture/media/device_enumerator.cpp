#include "capture/media/device_enumerator.h"

#include "capture/media/enum_moniker.h"
#include "capture/media/list_enumerator.h"
#include "capture/media/moniker.h"

namespace media {

DeviceEnumerator::DeviceEnumerator(std::vector<IMoniker*> cameras, std::shared_ptr<FaultPlan> faults)
    : cameras_(std::move(cameras)), faults_(std::move(faults)) {}

DeviceEnumerator::~DeviceEnumerator() {
    for (IMoniker* m : cameras_) m->Release();
}

HRESULT DeviceEnumerator::CreateClassEnumerator(const Guid& category, IEnumMoniker** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (HRESULT hr = planned_result(faults_, "ICreateDevEnum::CreateClassEnumerator"); hr != S_OK) return hr;
    // An empty category gives S_FALSE and no enumerator, as the platform does.
    if (!(category == CLSID_VideoInputDeviceCategory) || cameras_.empty()) return S_FALSE;
    for (IMoniker* m : cameras_) m->AddRef();
    *out = new ListEnumerator<IEnumMoniker, IMoniker>(cameras_);
    return S_OK;
}

}  // namespace media
