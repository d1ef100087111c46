#pragma once
// The stereo service's two cameras as its loop sees them: each picture taken as its frame comes;
// the pictures of a request captured after the request was noticed, never before; and a camera
// that stops delivering named once, while the capture library's frozen-device rule reopens it.

#include <array>
#include <chrono>
#include <cstdint>
#include <opencv2/core/mat.hpp>
#include <vector>

namespace capture {
class VideoInput;
}

namespace app {

class ServiceCameras {
public:
    using Clock = std::chrono::steady_clock;
    // How long a camera may deliver nothing before it counts as stalled.
    static constexpr std::chrono::milliseconds kStallTime{1000};

    // Devices 0 and 1 of VI, their pictures kept in image1 and image2 (320 x 240, upright).
    ServiceCameras(capture::VideoInput& VI, cv::Mat& image1, cv::Mat& image2);

    // Turns the library's frozen-device recovery on for both (open) devices, with a device
    // counted as frozen after `polls_per_stall` polls without a frame; the stall clocks start now.
    void start(int polls_per_stall, Clock::time_point now);
    // Takes the frames that have come, without waiting. Names, once, a camera that has delivered
    // nothing for kStallTime, and says when its frames come again. Each call is one poll of the
    // frozen-device rule, which may reopen a device.
    void poll(Clock::time_point now);

    // A request was noticed at `noticed`: lets go of the frames that wait since before it and
    // waits (up to about kStallTime) for the next frame of each camera that is not stalled. From
    // then on a picture counts for the request only if it was captured at or after `noticed`.
    void begin_request(Clock::time_point noticed);
    bool request_begun() const { return request_; }
    // Both pictures held were captured after the request was noticed.
    bool request_ready() const;
    void end_request() { request_ = false; }
    Clock::time_point noticed() const { return noticed_; }

    bool stalled(int device) const { return devices_[device].stalled; }
    bool any_stalled() const { return devices_[0].stalled || devices_[1].stalled; }
    // Capture time of the picture held (the frame's own time stamp).
    Clock::time_point captured(int device) const { return devices_[device].captured; }

private:
    struct Device {
        cv::Mat* image = nullptr;
        std::vector<uint8_t> frame;      // the fetched frame as delivered
        Clock::time_point captured{};    // of the picture in *image
        Clock::time_point last_frame{};  // when a frame was last taken (or the start)
        bool stalled = false;            // named as stalled, no frame since
        bool fresh = false;              // the picture counts for the request
    };

    // Fetches device's frame into its picture: the one waiting (false when none waits), or with
    // `wait` the next one within the library's wait.
    bool take(int device, bool wait);
    void took(int device, Clock::time_point now);

    capture::VideoInput& VI_;
    std::array<Device, 2> devices_;
    bool request_ = false;
    Clock::time_point noticed_{};
};

}  // namespace app
