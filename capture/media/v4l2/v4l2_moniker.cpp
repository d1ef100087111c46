#include "capture/media/v4l2/v4l2_moniker.h"

#include <cstring>

#include "capture/media/name_property_bag.h"
#include "capture/media/v4l2/v4l2_error.h"
#include "capture/media/v4l2/v4l2_node.h"
#include "capture/media/v4l2/v4l2_source_filter.h"
#include "platform/console.h"

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

V4l2Moniker::V4l2Moniker(std::shared_ptr<V4l2Ops> ops, std::string path, std::string card,
                         std::string description)
    : ops_(std::move(ops)),
      path_(std::move(path)),
      card_(widen_bytes(card)),
      description_(widen_bytes(description)) {}

HRESULT V4l2Moniker::BindToStorage(IPropertyBag** bag) {
    if (!bag) return E_POINTER;
    *bag = new NamePropertyBag(card_, description_);
    return S_OK;
}

HRESULT V4l2Moniker::BindToObject(IBaseFilter** filter) {
    if (!filter) return E_POINTER;
    *filter = nullptr;
    auto node = std::make_shared<V4l2Node>(ops_, path_);
    if (!node->is_open()) {
        // The library's own message says only that the device was not found; say why.
        platform::console_error_printf("%s: %s\n", path_.c_str(), std::strerror(node->error()));
        return hresult_from_errno(node->error());
    }
    *filter = static_cast<SourceFilter*>(new V4l2SourceFilter(std::move(node)));
    return S_OK;
}

}  // namespace media::v4l2
