#pragma once
// A simulated camera: its script and what happened to it. Every filter bound to the device
// shares this state; frames of on-demand devices are released here by the test.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <utility>
#include <vector>

#include "capture/media/guid.h"
#include "capture/media/sim/sim_device_config.h"

namespace media::simulated {

// A stream format as the device last took it.
struct SimFormat {
    int width = 0, height = 0;
    Guid subtype;
    int64_t avg_time_per_frame = 0;
};

class SimDevice {
public:
    explicit SimDevice(SimDeviceConfig config);

    const SimDeviceConfig& config() const { return config_; }

    // On-demand devices: lets `frames` more frames out.
    void deliver(int frames = 1);
    // Frames the graph has passed downstream, over all streams.
    int frames_delivered() const;
    int streams_started() const;
    bool streaming() const;
    // The last format SetFormat took (nullopt before any).
    std::optional<SimFormat> last_format() const;
    std::vector<std::pair<int32_t, int32_t>> routes() const;  // (output, input), in order
    std::optional<int32_t> tv_format() const;

    // Used by the device's filters.
    void record_format(const SimFormat& format);
    void record_route(int32_t output, int32_t input);
    void record_tv_format(int32_t format);
    void stream_started();
    void stream_stopped();
    void frame_passed_on();
    // Streaming thread: waits until the stream's next frame is due; false when stop is asked
    // for first. `sent` is the number of frames this stream delivered so far.
    bool wait_for_frame(std::stop_token stop, int sent);
    SimProperty* property(bool camera_control, int32_t id);
    std::mutex& property_mutex() { return mutex_; }

private:
    const SimDeviceConfig config_;
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    int permits_ = 0;
    int delivered_ = 0;
    int streams_ = 0;
    bool streaming_ = false;
    std::chrono::steady_clock::time_point stream_start_;
    std::optional<SimFormat> last_format_;
    std::vector<std::pair<int32_t, int32_t>> routes_;
    std::optional<int32_t> tv_format_;
    std::map<int32_t, SimProperty> proc_amp_;
    std::map<int32_t, SimProperty> camera_control_;
};

}  // namespace media::simulated
