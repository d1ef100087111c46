#pragma once
// A filter: a component of a graph with pins.

#include "capture/media/filter_info.h"
#include "capture/media/unknown.h"

namespace media {

class IEnumPins;
class IFilterGraph;

class IBaseFilter : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0508);
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    virtual HRESULT EnumPins(IEnumPins** pins) = 0;
    // Called by the graph when the filter is added (graph, name) or removed (null, null). The
    // filter keeps no reference on the graph.
    virtual HRESULT JoinFilterGraph(IFilterGraph* graph, const char16_t* name) = 0;

protected:
    ~IBaseFilter() = default;
};

}  // namespace media
