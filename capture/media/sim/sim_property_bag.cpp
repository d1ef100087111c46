#include "capture/media/sim/sim_property_bag.h"

#include <string_view>

#include "capture/media/sim/sim_device.h"

namespace media::simulated {

SimPropertyBag::SimPropertyBag(std::shared_ptr<SimDevice> device) : device_(std::move(device)) {}

HRESULT SimPropertyBag::QueryInterface(const Guid& iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IPropertyBag::iid || iid == IUnknown::iid) {
        AddRef();
        *out = static_cast<IPropertyBag*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t SimPropertyBag::Release() {
    uint32_t n = refs_.release();
    if (n == 0) delete this;
    return n;
}

HRESULT SimPropertyBag::Read(const char16_t* name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    std::u16string_view key(name);
    const std::optional<std::u16string>* entry = nullptr;
    if (key == u"FriendlyName") entry = &device_->config().friendly_name;
    if (key == u"Description") entry = &device_->config().description;
    if (!entry || !entry->has_value()) return E_FAIL;
    value->has_value = true;
    value->bstr = **entry;
    return S_OK;
}

}  // namespace media::simulated
