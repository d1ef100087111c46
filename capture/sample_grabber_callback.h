#pragma once
// The per-sample callback of a device's sample grabber: keeps a copy of one frame and signals
// that it waits to be fetched; later samples are dropped until the fetch.

#include <cstdint>
#include <mutex>

#include "capture/media/manual_reset_event.h"
#include "capture/media/sample_grabber_cb.h"

namespace capture {

class SampleGrabberCallback final : public media::ISampleGrabberCB {
public:
    SampleGrabberCallback();
    // The owning device record destroys the callback directly, after detaching it.
    ~SampleGrabberCallback();
    SampleGrabberCallback(const SampleGrabberCallback&) = delete;
    SampleGrabberCallback& operator=(const SampleGrabberCallback&) = delete;

    // Hands out the object itself for any interface; the counts are fixed, nothing is counted.
    media::HRESULT QueryInterface(const media::Guid& iid, void** out) override;
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 2; }
    // Streaming thread: copies a sample of the expected length unless a frame still waits.
    media::HRESULT SampleCB(double sampleTime, media::IMediaSample* sample) override;
    media::HRESULT BufferCB(double sampleTime, uint8_t* buffer, int32_t length) override;

    // Allocates the frame copy once; false when it already exists.
    bool allocateBuffer(int32_t bytes);

    int32_t pollsSinceFrame = 0;  // guarded by lock
    int32_t sampleBytes = 0;      // streaming thread only
    int32_t bufferBytes = 0;
    bool newFrame = false;  // guarded by lock
    bool bufferReady = false;
    uint8_t* frame = nullptr;  // guarded by lock
    uint8_t* samplePointer = nullptr;  // streaming thread only
    std::mutex lock;
    media::ManualResetEvent frameReady;
};

}  // namespace capture
