#include "capture/media/filter_pin.h"

#include <algorithm>

#include "capture/media/base_filter.h"

namespace media {

FilterPin::FilterPin(IBaseFilter* owner, PIN_DIRECTION dir, std::u16string name,
                     const Guid* category, const Guid& major_type)
    : owner_(owner),
      dir_(dir),
      name_(std::move(name)),
      category_(category != nullptr),
      category_value_(category ? *category : Guid{}),
      major_type_(major_type) {}

HRESULT FilterPin::QueryInterface(const Guid& iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IPin::iid || iid == IUnknown::iid) return hand_out(static_cast<IPin*>(this), out);
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t FilterPin::AddRef() { return owner_->AddRef(); }
uint32_t FilterPin::Release() { return owner_->Release(); }

HRESULT FilterPin::ConnectedTo(IPin** other) {
    if (!other) return E_POINTER;
    *other = peer_;
    if (!peer_) return VFW_E_NOT_CONNECTED;
    peer_->AddRef();
    return S_OK;
}

HRESULT FilterPin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    *info = PIN_INFO{};
    info->filter = owner_;
    owner_->AddRef();
    info->dir = dir_;
    size_t n = std::min(name_.size(), std::size(info->name) - 1);
    std::copy_n(name_.begin(), n, info->name);
    return S_OK;
}

void FilterPin::deliver(IMediaSample* sample) const {
    if (peer_ && peer_->receiver_) peer_->receiver_(sample);
}

}  // namespace media
