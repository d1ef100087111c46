#pragma once
// A graph of filters: adding, removing, enumerating, disconnecting.

#include "capture/media/unknown.h"

namespace media {

class IBaseFilter;
class IEnumFilters;
class IPin;

class IFilterGraph : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0509);
    // The graph keeps one reference on each filter it holds.
    virtual HRESULT AddFilter(IBaseFilter* filter, const char16_t* name) = 0;
    // Breaks the filter's connections and drops it; VFW_E_NOT_STOPPED while the graph runs.
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
    // Breaks this pin's side of its connection.
    virtual HRESULT Disconnect(IPin* pin) = 0;

protected:
    ~IFilterGraph() = default;
};

}  // namespace media
