#pragma once
// Video-processing properties (brightness 0 ... gain 9). Flags: 1 automatic, 2 manual.

#include <cstdint>

#include "capture/media/unknown.h"

namespace media {

class IAMVideoProcAmp : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0514);
    virtual HRESULT GetRange(int32_t property, int32_t* min, int32_t* max, int32_t* step,
                             int32_t* default_value, int32_t* flags) = 0;
    virtual HRESULT Get(int32_t property, int32_t* value, int32_t* flags) = 0;
    virtual HRESULT Set(int32_t property, int32_t value, int32_t flags) = 0;

protected:
    ~IAMVideoProcAmp() = default;
};

}  // namespace media
