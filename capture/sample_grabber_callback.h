#pragma once
// The per-frame callback of a device: keeps a copy of one frame and signals that it waits to be
// fetched; later frames are dropped until the fetch.

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "capture/manual_reset_event.h"

namespace capture {

class SampleGrabberCallback {
public:
    // Streaming thread: copies a frame of the expected length unless a frame still waits. A
    // frame without data is dropped silently, one of another length with a message.
    void SampleCB(const uint8_t* data, int32_t length, std::chrono::steady_clock::time_point captured);
    // Allocates the frame copy once; false when it already exists.
    bool allocateBuffer(int32_t bytes);

    int32_t pollsSinceFrame = 0;  // guarded by lock
    int32_t sampleBytes = 0;      // streaming thread only
    int32_t bufferBytes = 0;
    bool newFrame = false;  // guarded by lock
    bool bufferReady = false;
    std::unique_ptr<uint8_t[]> frame;                     // guarded by lock
    std::chrono::steady_clock::time_point frameCaptured;  // of `frame`; guarded by lock
    const uint8_t* samplePointer = nullptr;               // streaming thread only
    std::mutex lock;
    ManualResetEvent frameReady;
};

}  // namespace capture
