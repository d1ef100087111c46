#pragma once
// Running, pausing and stopping a graph. A running graph has one streaming thread.

#include "capture/media/unknown.h"

namespace media {

class IMediaControl : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x050B);
    virtual HRESULT Run() = 0;
    // Pause and Stop both end delivery; when they return, the streaming thread has finished.
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;

protected:
    ~IMediaControl() = default;
};

}  // namespace media
