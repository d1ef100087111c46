#pragma once
// A connection point of a filter.

#include "capture/media/pin_info.h"
#include "capture/media/unknown.h"

namespace media {

class IPin : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0505);
    // The pin this one is connected to (one reference added), VFW_E_NOT_CONNECTED when none.
    virtual HRESULT ConnectedTo(IPin** other) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;

protected:
    ~IPin() = default;
};

}  // namespace media
