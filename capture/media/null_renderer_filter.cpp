#include "capture/media/null_renderer_filter.h"

namespace media {

NullRendererFilter::NullRendererFilter() {
    add_pin(PIN_DIRECTION::input, u"In")->set_receiver([](IMediaSample*) {});
}

}  // namespace media
