#pragma once
// A pin of one of our filters. It lives inside its filter and shares the filter's reference
// count. Output pins pass samples to the input pin they are connected to.

#include <functional>
#include <string>

#include "capture/media/guid.h"
#include "capture/media/pin.h"

namespace media {

class IBaseFilter;
class IMediaSample;

class FilterPin final : public IPin {
public:
    // category: the pin category of a source's output pin (null for other pins).
    FilterPin(IBaseFilter* owner, PIN_DIRECTION dir, std::u16string name,
              const Guid* category = nullptr, const Guid& major_type = MEDIATYPE_Video);

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT ConnectedTo(IPin** other) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;

    PIN_DIRECTION direction() const { return dir_; }
    const Guid* category() const { return category_ ? &category_value_ : nullptr; }
    const Guid& major_type() const { return major_type_; }
    IBaseFilter* owner() const { return owner_; }
    FilterPin* peer() const { return peer_; }
    // Only this side's link; the graph breaks both sides when it removes a filter.
    void link(FilterPin* peer) { peer_ = peer; }
    void unlink() { peer_ = nullptr; }

    // Input pins: what the filter does with an arriving sample (streaming thread).
    void set_receiver(std::function<void(IMediaSample*)> receiver) { receiver_ = std::move(receiver); }
    // Output pins: hands the sample to the connected input pin, if any.
    void deliver(IMediaSample* sample) const;

private:
    IBaseFilter* owner_;
    PIN_DIRECTION dir_;
    std::u16string name_;
    bool category_;
    Guid category_value_;
    Guid major_type_;
    FilterPin* peer_ = nullptr;
    std::function<void(IMediaSample*)> receiver_;
};

}  // namespace media
