#include "capture/media/name_property_bag.h"

#include <string_view>

namespace media {

NamePropertyBag::NamePropertyBag(std::optional<std::u16string> friendly_name,
                                 std::optional<std::u16string> description)
    : friendly_name_(std::move(friendly_name)), description_(std::move(description)) {}

HRESULT NamePropertyBag::Read(const char16_t* name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    std::u16string_view key(name);
    const std::optional<std::u16string>* entry = nullptr;
    if (key == u"FriendlyName") entry = &friendly_name_;
    if (key == u"Description") entry = &description_;
    if (!entry || !entry->has_value()) return E_FAIL;
    value->has_value = true;
    value->bstr = **entry;
    return S_OK;
}

}  // namespace media
