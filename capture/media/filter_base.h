#pragma once
// What every filter of ours shares: the reference count, the name and graph it joined, its pins.
// Filters that offer more interfaces answer them in query_more_interfaces.

#include <memory>
#include <string>
#include <vector>

#include "capture/media/base_filter.h"
#include "capture/media/filter_pin.h"
#include "capture/media/ref_counted_object.h"

namespace media {

class FilterBase : public RefCountedObject<IBaseFilter> {
public:
    // IUnknown and IBaseFilter, then query_more_interfaces.
    HRESULT QueryInterface(const Guid& iid, void** out) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT EnumPins(IEnumPins** pins) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, const char16_t* name) override;

    IFilterGraph* graph() const { return graph_; }
    const std::vector<std::unique_ptr<FilterPin>>& pins() const { return pins_; }
    // The first pin of the direction (and category, when given), or null.
    FilterPin* find_pin(PIN_DIRECTION dir, const Guid* category = nullptr) const;

protected:
    FilterBase() = default;
    FilterPin* add_pin(PIN_DIRECTION dir, std::u16string name, const Guid* category = nullptr);
    // Interfaces beyond IUnknown and IBaseFilter; E_NOINTERFACE by default.
    virtual HRESULT query_more_interfaces(const Guid& iid, void** out);

private:
    IFilterGraph* graph_ = nullptr;  // not counted: the graph holds the filter, not the reverse
    std::u16string name_;
    std::vector<std::unique_ptr<FilterPin>> pins_;
};

}  // namespace media
