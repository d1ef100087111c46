#pragma once
// The filter graph object the capture graph builder works on.

#include "capture/media/filter_graph.h"

namespace media {

class IGraphBuilder : public IFilterGraph {
public:
    static constexpr Guid iid = own_guid(0x050A);

protected:
    ~IGraphBuilder() = default;
};

}  // namespace media
