#pragma once
// The crossbar in front of a simulated analog camera: pins by physical type, routes recorded.

#include <memory>

#include "capture/media/am_crossbar.h"
#include "capture/media/ref_counted_object.h"

namespace media::simulated {

class SimDevice;

class SimCrossbar final : public RefCountedObject<IAMCrossbar> {
public:
    explicit SimCrossbar(std::shared_ptr<SimDevice> device);

    HRESULT get_PinCounts(int32_t* outputs, int32_t* inputs) override;
    HRESULT get_CrossbarPinInfo(bool is_input, int32_t index, int32_t* related, int32_t* physical_type) override;
    HRESULT Route(int32_t output, int32_t input) override;

private:
    ~SimCrossbar() override = default;
    std::shared_ptr<SimDevice> device_;
};

}  // namespace media::simulated
