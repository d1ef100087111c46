#include "capture/media/sim/sim_crossbar.h"

#include "capture/media/sim/sim_device.h"

namespace media::simulated {

SimCrossbar::SimCrossbar(std::shared_ptr<SimDevice> device) : device_(std::move(device)) {}

HRESULT SimCrossbar::get_PinCounts(int32_t* outputs, int32_t* inputs) {
    if (!outputs || !inputs) return E_POINTER;
    *outputs = static_cast<int32_t>(device_->config().crossbar_outputs.size());
    *inputs = static_cast<int32_t>(device_->config().crossbar_inputs.size());
    return S_OK;
}

HRESULT SimCrossbar::get_CrossbarPinInfo(bool is_input, int32_t index, int32_t* related, int32_t* physical_type) {
    if (!related || !physical_type) return E_POINTER;
    const auto& pins = is_input ? device_->config().crossbar_inputs : device_->config().crossbar_outputs;
    if (index < 0 || index >= static_cast<int32_t>(pins.size())) return E_INVALIDARG;
    *related = -1;
    *physical_type = pins[static_cast<size_t>(index)];
    return S_OK;
}

HRESULT SimCrossbar::Route(int32_t output, int32_t input) {
    const SimDeviceConfig& c = device_->config();
    if (output < 0 || output >= static_cast<int32_t>(c.crossbar_outputs.size()) || input < 0 ||
        input >= static_cast<int32_t>(c.crossbar_inputs.size()))
        return E_INVALIDARG;
    device_->record_route(output, input);
    return S_OK;
}

}  // namespace media::simulated
