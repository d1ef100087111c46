#include "capture/sample_grabber_callback.h"

#include <chrono>
#include <cstring>

#include "capture/media/media_sample.h"
#include "platform/console.h"

namespace capture {

using namespace media;

SampleGrabberCallback::SampleGrabberCallback() = default;

SampleGrabberCallback::~SampleGrabberCallback() { delete[] frame; }

HRESULT SampleGrabberCallback::QueryInterface(const Guid&, void** out) {
    if (!out) return E_POINTER;
    *out = static_cast<ISampleGrabberCB*>(this);
    return S_OK;
}

HRESULT SampleGrabberCallback::SampleCB(double, IMediaSample* sample) {
    // A frame still waits for its fetch: drop this one without blocking.
    if (frameReady.wait(std::chrono::milliseconds(0))) return S_OK;
    if (!sample || sample->GetPointer(&samplePointer) != S_OK) return S_OK;
    sampleBytes = sample->GetActualDataLength();
    if (sampleBytes == bufferBytes && frame) {
        {
            std::lock_guard guard(lock);
            std::memcpy(frame, samplePointer, static_cast<size_t>(sampleBytes));
            newFrame = true;
            pollsSinceFrame = 1;
        }
        frameReady.set();
    } else {
        platform::console_printf("ERROR: SampleCB() - buffer sizes do not match\n");
    }
    return S_OK;
}

HRESULT SampleGrabberCallback::BufferCB(double, uint8_t*, int32_t) { return E_NOTIMPL; }

bool SampleGrabberCallback::allocateBuffer(int32_t bytes) {
    if (bufferReady) return false;
    bufferBytes = bytes;
    frame = new uint8_t[static_cast<size_t>(bytes > 0 ? bytes : 1)];
    bufferReady = true;
    newFrame = false;
    sampleBytes = 0;
    return true;
}

}  // namespace capture
