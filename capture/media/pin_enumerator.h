#pragma once
// Walks a filter's pins; keeps the filter alive while it exists.

#include <vector>

#include "capture/media/enum_pins.h"
#include "capture/media/ref_count.h"

namespace media {

class IBaseFilter;
class FilterPin;

class PinEnumerator final : public IEnumPins {
public:
    PinEnumerator(IBaseFilter* filter, std::vector<FilterPin*> pins);

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    uint32_t AddRef() override { return refs_.add(); }
    uint32_t Release() override;
    HRESULT Reset() override;
    HRESULT Next(IPin** pin) override;

private:
    ~PinEnumerator();
    RefCount refs_;
    IBaseFilter* filter_;
    std::vector<FilterPin*> pins_;
    size_t next_ = 0;
};

}  // namespace media
