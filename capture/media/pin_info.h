#pragma once
// What a pin tells about itself: its filter (one reference added), direction and name.

namespace media {

class IBaseFilter;

enum class PIN_DIRECTION { input, output };

struct PIN_INFO {
    IBaseFilter* filter = nullptr;
    PIN_DIRECTION dir = PIN_DIRECTION::input;
    char16_t name[128] = {};
};

}  // namespace media
