#pragma once
// A simulated camera's property set, as a video-processing or a camera-control interface (the
// two have the same operations).

#include <memory>
#include <mutex>

#include "capture/media/am_camera_control.h"
#include "capture/media/am_video_proc_amp.h"
#include "capture/media/ref_counted_object.h"
#include "capture/media/sim/sim_device.h"

namespace media::simulated {

template <typename Interface>
class SimPropertyControl final : public RefCountedObject<Interface> {
public:
    SimPropertyControl(std::shared_ptr<SimDevice> device, bool camera_control)
        : device_(std::move(device)), camera_control_(camera_control) {}

    HRESULT GetRange(int32_t property, int32_t* min, int32_t* max, int32_t* step, int32_t* default_value,
                     int32_t* flags) override {
        std::lock_guard lock(device_->property_mutex());
        const SimProperty* p = device_->property(camera_control_, property);
        if (!p) return E_PROP_ID_UNSUPPORTED;
        *min = p->min;
        *max = p->max;
        *step = p->step;
        *default_value = p->default_value;
        *flags = p->capabilities;
        return S_OK;
    }
    HRESULT Get(int32_t property, int32_t* value, int32_t* flags) override {
        std::lock_guard lock(device_->property_mutex());
        const SimProperty* p = device_->property(camera_control_, property);
        if (!p) return E_PROP_ID_UNSUPPORTED;
        *value = p->value;
        *flags = p->flags;
        return S_OK;
    }
    HRESULT Set(int32_t property, int32_t value, int32_t flags) override {
        std::lock_guard lock(device_->property_mutex());
        SimProperty* p = device_->property(camera_control_, property);
        if (!p) return E_PROP_ID_UNSUPPORTED;
        if (value < p->min || value > p->max) return E_INVALIDARG;
        p->value = value;
        p->flags = flags;
        return S_OK;
    }

private:
    ~SimPropertyControl() override = default;
    std::shared_ptr<SimDevice> device_;
    bool camera_control_;
};

}  // namespace media::simulated
