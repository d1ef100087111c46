#pragma once
// The input switch of an analog capture card: routes a physical input to an output.

#include <cstdint>

#include "capture/media/unknown.h"

namespace media {

// Physical connector types.
inline constexpr int32_t PhysConn_Video_Tuner = 1;
inline constexpr int32_t PhysConn_Video_Composite = 2;
inline constexpr int32_t PhysConn_Video_SVideo = 3;
inline constexpr int32_t PhysConn_Video_1394 = 10;
inline constexpr int32_t PhysConn_Video_USB = 11;
inline constexpr int32_t PhysConn_Video_VideoDecoder = 12;

class IAMCrossbar : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0512);
    virtual HRESULT get_PinCounts(int32_t* outputs, int32_t* inputs) = 0;
    virtual HRESULT get_CrossbarPinInfo(bool is_input, int32_t index, int32_t* related,
                                        int32_t* physical_type) = 0;
    virtual HRESULT Route(int32_t output, int32_t input) = 0;

protected:
    ~IAMCrossbar() = default;
};

}  // namespace media
