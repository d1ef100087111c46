#pragma once
// Walks the pins of a filter.

#include "capture/media/unknown.h"

namespace media {

class IPin;

class IEnumPins : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0506);
    // Back to the first pin.
    virtual HRESULT Reset() = 0;
    // S_OK with the next pin (one reference added), S_FALSE at the end.
    virtual HRESULT Next(IPin** pin) = 0;

protected:
    ~IEnumPins() = default;
};

}  // namespace media
