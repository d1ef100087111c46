#include "capture/media/pin_enumerator.h"

#include "capture/media/base_filter.h"
#include "capture/media/filter_pin.h"

namespace media {

PinEnumerator::PinEnumerator(IBaseFilter* filter, std::vector<FilterPin*> pins)
    : filter_(filter), pins_(std::move(pins)) {
    filter_->AddRef();
}

PinEnumerator::~PinEnumerator() { filter_->Release(); }

HRESULT PinEnumerator::QueryInterface(const Guid& iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IEnumPins::iid || iid == IUnknown::iid) {
        AddRef();
        *out = static_cast<IEnumPins*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t PinEnumerator::Release() {
    uint32_t n = refs_.release();
    if (n == 0) delete this;
    return n;
}

HRESULT PinEnumerator::Reset() {
    next_ = 0;
    return S_OK;
}

HRESULT PinEnumerator::Next(IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (next_ >= pins_.size()) return S_FALSE;
    *pin = pins_[next_++];
    (*pin)->AddRef();
    return S_OK;
}

}  // namespace media
