#pragma once
// The base of every platform interface: interface lookup by identifier and a reference count.
// Objects are created with one reference and delete themselves when the last one is released.

#include <cstdint>

#include "capture/media/guid.h"
#include "capture/media/result.h"

namespace media {

class IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0500);
    // On S_OK *out holds the object as the asked interface, with one reference added.
    virtual HRESULT QueryInterface(const Guid& iid, void** out) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

// Typed lookup: T::iid names the interface.
template <typename T>
HRESULT query_interface(IUnknown* object, T** out) {
    *out = nullptr;
    if (!object) return E_POINTER;
    return object->QueryInterface(T::iid, reinterpret_cast<void**>(out));
}

// QueryInterface's answer for an object that has the interface: *out = object, one reference
// added, S_OK.
template <typename T>
HRESULT hand_out(T* object, void** out) {
    object->AddRef();
    *out = object;
    return S_OK;
}

// Releases *p when held and clears it.
template <typename T>
void release_and_clear(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

}  // namespace media
