#pragma once
// A capture device's filter, as the graph sees it: output pins "Capture" (and "Preview" when the
// device has one), streaming hooks the graph's streaming thread calls, and the stream format
// interface the back end implements.

#include <stop_token>

#include "capture/media/filter_base.h"

namespace media {

class IMediaSample;

class SourceFilter : public FilterBase {
public:
    // Application thread, before the streaming thread starts / after it ended.
    virtual HRESULT start_streaming() = 0;
    virtual void stop_streaming() = 0;
    // Streaming thread: waits for the next frame and returns it as a sample (24-bit BGR, rows
    // bottom-up, at the current format's size); null once stop is requested.
    virtual IMediaSample* next_sample(std::stop_token stop) = 0;
    // Whether the source can feed a downstream filter this subtype: its samples are 24-bit BGR,
    // so only RGB24.
    bool can_deliver(const Guid& subtype) const { return subtype == MEDIASUBTYPE_RGB24; }
    // Interfaces of components upstream of the source, such as an analog card's crossbar.
    virtual HRESULT find_upstream(const Guid& iid, void** out);

protected:
    explicit SourceFilter(bool preview_pin);
};

}  // namespace media
