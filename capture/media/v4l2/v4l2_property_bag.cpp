#include "capture/media/v4l2/v4l2_property_bag.h"

#include <string_view>

namespace media::v4l2 {
namespace {

// Each byte becomes one 16-bit character: the capture library narrows names back to their low
// bytes, so UTF-8 card names come out byte for byte as the driver gave them.
std::u16string widen_bytes(const std::string& text) {
    std::u16string wide;
    wide.reserve(text.size());
    for (char c : text) wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return wide;
}

}  // namespace

V4l2PropertyBag::V4l2PropertyBag(std::string friendly_name, std::string description)
    : friendly_name_(widen_bytes(friendly_name)), description_(widen_bytes(description)) {}

HRESULT V4l2PropertyBag::QueryInterface(const Guid& iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IPropertyBag::iid || iid == IUnknown::iid) {
        AddRef();
        *out = static_cast<IPropertyBag*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t V4l2PropertyBag::Release() {
    uint32_t n = refs_.release();
    if (n == 0) delete this;
    return n;
}

HRESULT V4l2PropertyBag::Read(const char16_t* name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    std::u16string_view key(name);
    if (key == u"FriendlyName") {
        value->has_value = true;
        value->bstr = friendly_name_;
        return S_OK;
    }
    if (key == u"Description") {
        value->has_value = true;
        value->bstr = description_;
        return S_OK;
    }
    return E_FAIL;
}

}  // namespace media::v4l2
