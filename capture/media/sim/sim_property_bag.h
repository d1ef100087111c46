#pragma once
// The property bag of a simulated camera: its scripted names.

#include <memory>

#include "capture/media/property_bag.h"
#include "capture/media/ref_count.h"

namespace media::simulated {

class SimDevice;

class SimPropertyBag final : public IPropertyBag {
public:
    explicit SimPropertyBag(std::shared_ptr<SimDevice> device);

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    uint32_t AddRef() override { return refs_.add(); }
    uint32_t Release() override;
    HRESULT Read(const char16_t* name, VARIANT* value) override;

private:
    ~SimPropertyBag() = default;
    RefCount refs_;
    std::shared_ptr<SimDevice> device_;
};

}  // namespace media::simulated
