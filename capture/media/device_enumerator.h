#pragma once
// The system device enumerator over the cameras a back end lists.

#include <memory>
#include <vector>

#include "capture/media/create_dev_enum.h"
#include "capture/media/fault_plan.h"
#include "capture/media/ref_count.h"

namespace media {

class IMoniker;

class DeviceEnumerator final : public ICreateDevEnum {
public:
    // Takes over one reference on each camera moniker.
    DeviceEnumerator(std::vector<IMoniker*> cameras, std::shared_ptr<FaultPlan> faults);

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    uint32_t AddRef() override { return refs_.add(); }
    uint32_t Release() override;
    HRESULT CreateClassEnumerator(const Guid& category, IEnumMoniker** out) override;

private:
    ~DeviceEnumerator();
    RefCount refs_;
    std::vector<IMoniker*> cameras_;
    std::shared_ptr<FaultPlan> faults_;
};

}  // namespace media
