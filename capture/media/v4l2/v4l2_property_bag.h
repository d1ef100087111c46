#pragma once
// The names of a V4L2 camera: "FriendlyName" (the card name) and "Description".

#include <string>

#include "capture/media/property_bag.h"
#include "capture/media/ref_count.h"

namespace media::v4l2 {

class V4l2PropertyBag final : public IPropertyBag {
public:
    // UTF-8 texts, as the driver reports them.
    V4l2PropertyBag(std::string friendly_name, std::string description);

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    uint32_t AddRef() override { return refs_.add(); }
    uint32_t Release() override;
    HRESULT Read(const char16_t* name, VARIANT* value) override;

private:
    ~V4l2PropertyBag() = default;
    RefCount refs_;
    std::u16string friendly_name_;
    std::u16string description_;
};

}  // namespace media::v4l2
