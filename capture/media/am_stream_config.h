#pragma once
// A source pin's format: the current one, setting one, and the capability list.

#include <cstdint>

#include "capture/media/media_type.h"
#include "capture/media/unknown.h"

namespace media {

class IAMStreamConfig : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x050E);
    // A new copy of the current format; the caller frees it.
    virtual HRESULT GetFormat(AM_MEDIA_TYPE** mt) = 0;
    // S_OK when the source takes the format (it then delivers at that size); a failure code
    // otherwise, the current format unchanged.
    virtual HRESULT SetFormat(const AM_MEDIA_TYPE* mt) = 0;
    // Number of capability records and the size of one record in bytes.
    virtual HRESULT GetNumberOfCapabilities(int* count, int* size) = 0;
    // Record `index`: a new media type (freed by the caller) and the record written to caps,
    // which holds the size reported above.
    virtual HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mt, uint8_t* caps) = 0;

protected:
    ~IAMStreamConfig() = default;
};

}  // namespace media
