#pragma once
// The enumeration entry of a simulated camera.

#include <memory>

#include "capture/media/fault_plan.h"
#include "capture/media/moniker.h"
#include "capture/media/ref_counted_object.h"

namespace media::simulated {

class SimDevice;

class SimMoniker final : public RefCountedObject<IMoniker> {
public:
    SimMoniker(std::shared_ptr<SimDevice> device, std::shared_ptr<FaultPlan> faults);

    HRESULT BindToStorage(IPropertyBag** bag) override;
    HRESULT BindToObject(IBaseFilter** filter) override;

private:
    ~SimMoniker() override = default;
    std::shared_ptr<SimDevice> device_;
    std::shared_ptr<FaultPlan> faults_;
};

}  // namespace media::simulated
