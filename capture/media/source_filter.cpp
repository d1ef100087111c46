#include "capture/media/source_filter.h"

namespace media {

SourceFilter::SourceFilter(bool preview_pin) {
    add_pin(PIN_DIRECTION::output, u"Capture", &PIN_CATEGORY_CAPTURE);
    if (preview_pin) add_pin(PIN_DIRECTION::output, u"Preview", &PIN_CATEGORY_PREVIEW);
}

HRESULT SourceFilter::find_upstream(const Guid&, void** out) {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
}

}  // namespace media
