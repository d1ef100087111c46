#pragma once
// A device of an enumerated category: binds to its property bag or to its filter.

#include "capture/media/unknown.h"

namespace media {

class IBaseFilter;
class IPropertyBag;

class IMoniker : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0502);
    virtual HRESULT BindToStorage(IPropertyBag** bag) = 0;
    // A new filter object for the device.
    virtual HRESULT BindToObject(IBaseFilter** filter) = 0;

protected:
    ~IMoniker() = default;
};

}  // namespace media
