#pragma once
// What a filter tells about itself: its name in the graph and the graph (one reference added).

namespace media {

class IFilterGraph;

struct FILTER_INFO {
    char16_t name[128] = {};
    IFilterGraph* graph = nullptr;
};

}  // namespace media
