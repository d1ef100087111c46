#include "capture/frame_grabber.h"

#include <cstring>

#include "capture/sample_grabber_callback.h"

namespace capture {

void FrameGrabber::on_frame(const uint8_t* data, int32_t bytes, std::chrono::steady_clock::time_point time) {
    std::lock_guard lock(mutex_);
    if (buffer_samples_ && data && bytes >= 0) {
        kept_.assign(data, data + bytes);
        have_sample_ = true;
    }
    if (callback_) callback_->SampleCB(data, bytes, time);
}

void FrameGrabber::setCallback(SampleGrabberCallback* callback) {
    std::lock_guard lock(mutex_);  // waits for a call in progress
    callback_ = callback;
}

void FrameGrabber::setBufferSamples(bool on) {
    std::lock_guard lock(mutex_);
    buffer_samples_ = on;
}

bool FrameGrabber::getCurrentBuffer(int32_t& size, uint8_t* buffer) {
    std::lock_guard lock(mutex_);
    const auto length = static_cast<int32_t>(kept_.size());
    if (!have_sample_ || length > size) return false;
    std::memcpy(buffer, kept_.data(), kept_.size());
    size = length;
    return true;
}

}  // namespace capture
