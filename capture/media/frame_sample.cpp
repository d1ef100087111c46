#include "capture/media/frame_sample.h"

namespace media {

HRESULT FrameSample::QueryInterface(const Guid& iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IMediaSample::iid || iid == IUnknown::iid) {
        *out = static_cast<IMediaSample*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT FrameSample::GetPointer(uint8_t** data) {
    if (!data) return E_POINTER;
    if (pointer_fails_) {
        *data = nullptr;
        return E_FAIL;
    }
    *data = bytes_.data();
    return S_OK;
}

void FrameSample::reserve(size_t bytes) {
    if (bytes_.size() < bytes) bytes_.resize(bytes);
}

}  // namespace media
