#pragma once
// A simulated camera's property set, as a video-processing or a camera-control interface (the
// two have the same operations).

#include <memory>
#include <mutex>

#include "capture/media/am_camera_control.h"
#include "capture/media/am_video_proc_amp.h"
#include "capture/media/ref_count.h"
#include "capture/media/sim/sim_device.h"

namespace media::simulated {

template <typename Interface>
class SimPropertyControl final : public Interface {
public:
    SimPropertyControl(std::shared_ptr<SimDevice> device, bool camera_control)
        : device_(std::move(device)), camera_control_(camera_control) {}

    HRESULT QueryInterface(const Guid& iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == Interface::iid || iid == IUnknown::iid) {
            AddRef();
            *out = static_cast<Interface*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return refs_.add(); }
    uint32_t Release() override {
        uint32_t n = refs_.release();
        if (n == 0) delete this;
        return n;
    }

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
    ~SimPropertyControl() = default;
    RefCount refs_;
    std::shared_ptr<SimDevice> device_;
    bool camera_control_;
};

}  // namespace media::simulated
