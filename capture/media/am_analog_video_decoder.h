#pragma once
// The analog video standard (NTSC, PAL, SECAM flags) of a capture card's decoder.

#include <cstdint>

#include "capture/media/unknown.h"

namespace media {

class IAMAnalogVideoDecoder : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0513);
    // The flags of every standard the decoder offers.
    virtual HRESULT get_AvailableTVFormats(int32_t* formats) = 0;
    virtual HRESULT put_TVFormat(int32_t format) = 0;

protected:
    ~IAMAnalogVideoDecoder() = default;
};

}  // namespace media
