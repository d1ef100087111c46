#pragma once
// The interface lookup and reference count of an object that offers one platform interface:
// created with one reference, it deletes itself when the last one is released.

#include <cstdint>

#include "capture/media/ref_count.h"
#include "capture/media/unknown.h"

namespace media {

template <typename Interface>
class RefCountedObject : public Interface {
public:
    // Interface and IUnknown give the object itself, one reference added; E_NOINTERFACE else.
    HRESULT QueryInterface(const Guid& iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == Interface::iid || iid == IUnknown::iid)
            return hand_out(static_cast<Interface*>(this), out);
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return refs_.add(); }
    uint32_t Release() override {
        uint32_t n = refs_.release();
        if (n == 0) delete this;
        return n;
    }

protected:
    RefCountedObject() = default;
    // Virtual: the last Release deletes the whole object through this base.
    virtual ~RefCountedObject() = default;

private:
    RefCount refs_;
};

}  // namespace media
