#pragma once
// The enumeration entry of one V4L2 camera node: its names, and its source filter, which opens
// the node anew on every bind.

#include <memory>
#include <string>

#include "capture/media/moniker.h"
#include "capture/media/ref_counted_object.h"
#include "capture/media/v4l2/v4l2_ops.h"

namespace media::v4l2 {

class V4l2Moniker final : public RefCountedObject<IMoniker> {
public:
    V4l2Moniker(std::shared_ptr<V4l2Ops> ops, std::string path, std::string card, std::string description);

    HRESULT BindToStorage(IPropertyBag** bag) override;
    // Opens the node; a failed open gives its errno as a failure code, with one line on the
    // error stream naming the node.
    HRESULT BindToObject(IBaseFilter** filter) override;

private:
    ~V4l2Moniker() override = default;
    std::shared_ptr<V4l2Ops> ops_;
    std::string path_;
    std::u16string card_;  // the UTF-8 names, a byte to each 16-bit character
    std::u16string description_;
};

}  // namespace media::v4l2
