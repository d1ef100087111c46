#pragma once
// The property bag of a camera: its "FriendlyName" and "Description", either of which it may
// lack.

#include <optional>
#include <string>

#include "capture/media/property_bag.h"
#include "capture/media/ref_counted_object.h"

namespace media {

class NamePropertyBag final : public RefCountedObject<IPropertyBag> {
public:
    // nullopt: the camera has no such entry, and reading it fails.
    NamePropertyBag(std::optional<std::u16string> friendly_name, std::optional<std::u16string> description);

    // E_FAIL for an entry the camera lacks and for any other name.
    HRESULT Read(const char16_t* name, VARIANT* value) override;

private:
    ~NamePropertyBag() override = default;

    std::optional<std::u16string> friendly_name_;
    std::optional<std::u16string> description_;
};

}  // namespace media
