#pragma once
// The grabber between a device's camera and the library: hands every frame to the device's
// callback, and in buffered mode also keeps a copy of the latest one.

#include <mutex>
#include <vector>

#include "capture/camera_backend.h"

namespace capture {

class SampleGrabberCallback;

class FrameGrabber final : public FrameSink {
public:
    void on_frame(const uint8_t* data, int32_t bytes, std::chrono::steady_clock::time_point time) override;
    // Null detaches; when it returns, no call on the old callback runs any more.
    void setCallback(SampleGrabberCallback* callback);
    void setBufferSamples(bool on);
    // Buffered mode: copies the latest frame into buffer when it fits in `size` bytes and sets
    // `size` to its length; false, `size` unchanged, when there is none yet or it doesn't fit.
    bool getCurrentBuffer(int32_t& size, uint8_t* buffer);

private:
    std::mutex mutex_;
    SampleGrabberCallback* callback_ = nullptr;
    bool buffer_samples_ = false;
    bool have_sample_ = false;
    std::vector<uint8_t> kept_;
};

}  // namespace capture
