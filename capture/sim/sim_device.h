#pragma once
// A simulated camera: its script and what happened to it. Every session opened on the camera
// shares this state; frames of on-demand cameras are released here by the test.

#include <chrono>
#include <cstddef>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <utility>
#include <vector>

#include "capture/sim/sim_device_config.h"

namespace capture {

class SimDevice {
public:
    explicit SimDevice(SimDeviceConfig config);

    const SimDeviceConfig& config() const { return config_; }

    // On-demand cameras: lets `frames` more frames out.
    void deliver(int frames = 1);
    // Frames handed over, over all streams.
    int frames_delivered() const;
    int streams_started() const;
    bool streaming() const;
    // The last format the camera took (nullopt before any).
    std::optional<VideoFormat> last_format() const;
    std::vector<std::pair<int32_t, int32_t>> routes() const;  // (output, input), in order
    std::optional<int32_t> tv_format() const;

    // Used by the camera's sessions.
    void record_format(const VideoFormat& format);
    void record_route(int32_t output, int32_t input);
    void record_tv_format(int32_t format);
    void stream_started();
    void stream_stopped();
    void frame_passed_on();
    // Streaming thread: waits until the stream's next frame is due; false when stop is asked
    // for first. `sent` is the number of frames this stream delivered so far.
    bool wait_for_frame(std::stop_token stop, int sent);
    std::optional<ControlInfo> control(Control id) const;
    std::error_code set_control(Control id, int32_t value, bool automatic);
    // Changes a painted frame as the camera's controls say; nothing while each stands at its
    // default (or in automatic mode).
    void adjust_picture(uint8_t* bgr, size_t pixels) const;

private:
    const SimDeviceConfig config_;
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    int permits_ = 0;
    int delivered_ = 0;
    int streams_ = 0;
    bool streaming_ = false;
    std::chrono::steady_clock::time_point stream_start_;
    bool stalled_ = false;  // the stream has had its stall
    std::optional<VideoFormat> last_format_;
    std::vector<std::pair<int32_t, int32_t>> routes_;
    std::optional<int32_t> tv_format_;
    std::map<Control, ControlInfo> controls_;
};

}  // namespace capture
