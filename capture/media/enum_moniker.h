#pragma once
// Walks the devices of one category, one at a time.

#include "capture/media/unknown.h"

namespace media {

class IMoniker;

class IEnumMoniker : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0503);
    // Back to the first device.
    virtual HRESULT Reset() = 0;
    // S_OK with the next device, S_FALSE (and null) at the end.
    virtual HRESULT Next(IMoniker** moniker) = 0;

protected:
    ~IEnumMoniker() = default;
};

}  // namespace media
