#pragma once
// Walks the filters of a graph, as they were when the walk began.

#include "capture/media/unknown.h"

namespace media {

class IBaseFilter;

class IEnumFilters : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0507);
    // Back to the first filter.
    virtual HRESULT Reset() = 0;
    // S_OK with the next filter (one reference added), S_FALSE at the end.
    virtual HRESULT Next(IBaseFilter** filter) = 0;

protected:
    ~IEnumFilters() = default;
};

}  // namespace media
