#pragma once
// One delivered frame.

#include <cstdint>

#include "capture/media/unknown.h"

namespace media {

class IMediaSample : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x050F);
    virtual HRESULT GetPointer(uint8_t** data) = 0;
    virtual int32_t GetActualDataLength() = 0;

protected:
    ~IMediaSample() = default;
};

}  // namespace media
