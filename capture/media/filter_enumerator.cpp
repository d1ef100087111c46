#include "capture/media/filter_enumerator.h"

#include "capture/media/base_filter.h"

namespace media {

FilterEnumerator::FilterEnumerator(std::vector<IBaseFilter*> filters) : filters_(std::move(filters)) {
    for (IBaseFilter* f : filters_) f->AddRef();
}

FilterEnumerator::~FilterEnumerator() {
    for (IBaseFilter* f : filters_) f->Release();
}

HRESULT FilterEnumerator::QueryInterface(const Guid& iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IEnumFilters::iid || iid == IUnknown::iid) {
        AddRef();
        *out = static_cast<IEnumFilters*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t FilterEnumerator::Release() {
    uint32_t n = refs_.release();
    if (n == 0) delete this;
    return n;
}

HRESULT FilterEnumerator::Next(IBaseFilter** filter) {
    if (!filter) return E_POINTER;
    *filter = nullptr;
    if (next_ >= filters_.size()) return S_FALSE;
    *filter = filters_[next_++];
    (*filter)->AddRef();
    return S_OK;
}

}  // namespace media
