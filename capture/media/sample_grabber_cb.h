#pragma once
// What a sample grabber calls for each sample, on the graph's streaming thread.

#include <cstdint>

#include "capture/media/unknown.h"

namespace media {

class IMediaSample;

class ISampleGrabberCB : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0510);
    // Method 0: the sample itself.
    virtual HRESULT SampleCB(double sample_time, IMediaSample* sample) = 0;
    // Method 1: a copy of the sample's bytes.
    virtual HRESULT BufferCB(double sample_time, uint8_t* buffer, int32_t length) = 0;

protected:
    ~ISampleGrabberCB() = default;
};

}  // namespace media
