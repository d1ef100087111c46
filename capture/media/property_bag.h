#pragma once
// A device's named properties ("Description", "FriendlyName").

#include "capture/media/unknown.h"
#include "capture/media/variant.h"

namespace media {

class IPropertyBag : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0501);
    // Reads the property as a string into *value; a failure code when the device has none.
    virtual HRESULT Read(const char16_t* name, VARIANT* value) = 0;

protected:
    ~IPropertyBag() = default;
};

}  // namespace media
