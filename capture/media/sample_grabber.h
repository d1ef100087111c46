#pragma once
// The sample grabber filter's controls.

#include <cstdint>

#include "capture/media/media_type.h"
#include "capture/media/unknown.h"

namespace media {

class ISampleGrabberCB;

class ISampleGrabber : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0511);
    virtual HRESULT SetOneShot(bool one_shot) = 0;
    // Keep a copy of the latest sample for GetCurrentBuffer.
    virtual HRESULT SetBufferSamples(bool buffer) = 0;
    // method 0: SampleCB, 1: BufferCB. When this returns no call is running on the callback it
    // replaced, so a detached callback may be destroyed at once.
    virtual HRESULT SetCallback(ISampleGrabberCB* callback, int32_t method) = 0;
    // The type the grabber accepts on its input (major type, subtype, format type).
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) = 0;
    // size in: room in buffer; out: bytes of the latest sample. With buffer null only the size
    // is told. VFW_E_WRONG_STATE before any sample was kept.
    virtual HRESULT GetCurrentBuffer(int32_t* size, uint8_t* buffer) = 0;

protected:
    ~ISampleGrabber() = default;
};

}  // namespace media
