#include "capture/sample_grabber_callback.h"

#include <cstring>

#include "platform/console.h"

namespace capture {

void SampleGrabberCallback::SampleCB(const uint8_t* data, int32_t length,
                                     std::chrono::steady_clock::time_point captured) {
    // A frame still waits for its fetch: drop this one without blocking.
    if (frameReady.wait(std::chrono::milliseconds(0))) return;
    samplePointer = data;
    if (!samplePointer) return;
    sampleBytes = length;
    if (sampleBytes == bufferBytes && frame) {
        std::lock_guard guard(lock);
        std::memcpy(frame.get(), samplePointer, static_cast<size_t>(sampleBytes));
        frameCaptured = captured;
        newFrame = true;
        pollsSinceFrame = 1;
        // Set under the lock, so a frame let go of under the lock can't be signalled after.
        frameReady.set();
    } else {
        platform::console_printf("ERROR: SampleCB() - buffer sizes do not match\n");
    }
}

bool SampleGrabberCallback::allocateBuffer(int32_t bytes) {
    if (bufferReady) return false;
    bufferBytes = bytes;
    frame = std::make_unique<uint8_t[]>(static_cast<size_t>(bytes > 0 ? bytes : 1));
    bufferReady = true;
    newFrame = false;
    sampleBytes = 0;
    return true;
}

}  // namespace capture
