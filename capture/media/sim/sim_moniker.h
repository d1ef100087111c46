#pragma once
// The enumeration entry of a simulated camera.

#include <memory>

#include "capture/media/fault_plan.h"
#include "capture/media/moniker.h"
#include "capture/media/ref_count.h"

namespace media::simulated {

class SimDevice;

class SimMoniker final : public IMoniker {
public:
    SimMoniker(std::shared_ptr<SimDevice> device, std::shared_ptr<FaultPlan> faults);

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    uint32_t AddRef() override { return refs_.add(); }
    uint32_t Release() override;
    HRESULT BindToStorage(IPropertyBag** bag) override;
    HRESULT BindToObject(IBaseFilter** filter) override;

private:
    ~SimMoniker() = default;
    RefCount refs_;
    std::shared_ptr<SimDevice> device_;
    std::shared_ptr<FaultPlan> faults_;
};

}  // namespace media::simulated
