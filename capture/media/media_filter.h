#pragma once
// The graph's clock choice.

#include "capture/media/unknown.h"

namespace media {

class IMediaFilter : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x050C);
    // Null: no reference clock, samples pass on as they arrive (the only mode delivered here).
    virtual HRESULT SetSyncSource(IUnknown* clock) = 0;

protected:
    ~IMediaFilter() = default;
};

}  // namespace media
