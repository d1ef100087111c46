#pragma once
// The system device enumerator over the cameras a back end lists.

#include <memory>
#include <vector>

#include "capture/media/create_dev_enum.h"
#include "capture/media/fault_plan.h"
#include "capture/media/ref_counted_object.h"

namespace media {

class IMoniker;

class DeviceEnumerator final : public RefCountedObject<ICreateDevEnum> {
public:
    // Takes over one reference on each camera moniker.
    DeviceEnumerator(std::vector<IMoniker*> cameras, std::shared_ptr<FaultPlan> faults);

    HRESULT CreateClassEnumerator(const Guid& category, IEnumMoniker** out) override;

private:
    ~DeviceEnumerator() override;
    std::vector<IMoniker*> cameras_;
    std::shared_ptr<FaultPlan> faults_;
};

}  // namespace media
