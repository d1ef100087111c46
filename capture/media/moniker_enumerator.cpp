#include "capture/media/moniker_enumerator.h"

#include "capture/media/moniker.h"

namespace media {

MonikerEnumerator::MonikerEnumerator(std::vector<IMoniker*> monikers) : monikers_(std::move(monikers)) {}

MonikerEnumerator::~MonikerEnumerator() {
    for (IMoniker* m : monikers_) m->Release();
}

HRESULT MonikerEnumerator::QueryInterface(const Guid& iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IEnumMoniker::iid || iid == IUnknown::iid) {
        AddRef();
        *out = static_cast<IEnumMoniker*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t MonikerEnumerator::Release() {
    uint32_t n = refs_.release();
    if (n == 0) delete this;
    return n;
}

HRESULT MonikerEnumerator::Next(IMoniker** moniker) {
    if (!moniker) return E_POINTER;
    *moniker = nullptr;
    if (next_ >= monikers_.size()) return S_FALSE;
    *moniker = monikers_[next_++];
    (*moniker)->AddRef();
    return S_OK;
}

}  // namespace media
