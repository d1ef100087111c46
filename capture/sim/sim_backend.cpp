#include "capture/sim/sim_backend.h"

#include <algorithm>
#include <string>
#include <thread>

#include "capture/sim/sim_device.h"

namespace capture {
namespace {

// A session on a simulated camera: its format as scripted, frames painted on a thread of its own.
class SimSession final : public CameraSession {
public:
    explicit SimSession(std::shared_ptr<SimDevice> device) : device_(std::move(device)) {
        const SimDeviceConfig& c = device_->config();
        format_ = VideoFormat{c.subtype, c.width, c.height, c.avg_time_per_frame};
    }
    ~SimSession() override { stop(); }

    std::vector<FormatRange> formats() override { return device_->config().capabilities; }
    std::optional<VideoFormat> format() override { return format_; }

    bool set_format(const VideoFormat& f) override {
        if (thread_.joinable() || f.width <= 0 || f.height <= 0 || !takes(f)) return false;
        format_ = f;
        device_->record_format(f);
        return true;
    }

    bool start(FrameSink& sink) override {
        if (thread_.joinable()) return true;
        const SimDeviceConfig& c = device_->config();
        const int width = format_.width;
        const int height = format_.height;
        const int32_t length = std::max(0, width * height * 3 + c.sample_length_delta);
        frame_.assign(static_cast<size_t>(std::max(length, width * height * 3)), 0);
        device_->stream_started();
        thread_ = std::jthread([this, &sink, width, height, length](std::stop_token stop) {
            const SimDeviceConfig& c = device_->config();
            for (int sent = 0; device_->wait_for_frame(stop, sent); ++sent) {
                const auto index = static_cast<uint64_t>(sent);
                if (c.painter) {
                    c.painter(index, width, height, frame_.data());
                } else {
                    paint_test_pattern(index, width, height, frame_.data());
                }
                device_->adjust_picture(frame_.data(), static_cast<size_t>(width) * static_cast<size_t>(height));
                sink.on_frame(c.pointer_fails ? nullptr : frame_.data(), length,
                              std::chrono::steady_clock::now());
                device_->frame_passed_on();
            }
        });
        return true;
    }

    void stop() override {
        if (!thread_.joinable()) return;
        thread_.request_stop();
        thread_.join();
        device_->stream_stopped();
    }

    std::optional<ControlInfo> control(Control id) override { return device_->control(id); }
    std::error_code set_control(Control id, int32_t value, bool automatic) override {
        return device_->set_control(id, value, automatic);
    }

    std::optional<Crossbar> crossbar() override {
        const SimDeviceConfig& c = device_->config();
        if (c.crossbar_inputs.empty()) return std::nullopt;
        return Crossbar{c.crossbar_inputs, c.crossbar_outputs};
    }
    bool route(int32_t output, int32_t input) override {
        const SimDeviceConfig& c = device_->config();
        if (output < 0 || output >= static_cast<int32_t>(c.crossbar_outputs.size()) || input < 0 ||
            input >= static_cast<int32_t>(c.crossbar_inputs.size()))
            return false;
        device_->record_route(output, input);
        return true;
    }
    std::optional<int32_t> video_standards() override { return device_->config().tv_formats; }
    bool set_video_standard(int32_t standard) override {
        const SimDeviceConfig& c = device_->config();
        if (c.put_tv_format_fails || standard == 0 || (standard & c.tv_formats.value_or(0)) != standard)
            return false;
        device_->record_tv_format(standard);
        return true;
    }

private:
    bool takes(const VideoFormat& f) const {
        const SimDeviceConfig& c = device_->config();
        if (c.accepts) return c.accepts(f.width, f.height, f.subtype);
        auto covers = [](int v, int lo, int hi, int step) {
            return v >= lo && v <= hi && (step < 1 ? v == lo : (v - lo) % step == 0);
        };
        return std::any_of(c.capabilities.begin(), c.capabilities.end(), [&](const FormatRange& r) {
            return r.subtype == f.subtype && covers(f.width, r.min_width, r.max_width, r.step_x) &&
                   covers(f.height, r.min_height, r.max_height, r.step_y);
        });
    }

    std::shared_ptr<SimDevice> device_;
    VideoFormat format_;
    std::vector<uint8_t> frame_;  // the streaming thread's while it runs
    std::jthread thread_;
};

}  // namespace

std::shared_ptr<SimDevice> SimBackend::add_device(SimDeviceConfig config) {
    devices_.push_back(std::make_shared<SimDevice>(std::move(config)));
    return devices_.back();
}

std::vector<CameraInfo> SimBackend::list_cameras() {
    std::vector<CameraInfo> cameras;
    for (size_t i = 0; i < devices_.size(); ++i) {
        const SimDeviceConfig& c = devices_[i]->config();
        CameraInfo info;
        info.name = c.friendly_name;
        info.description = c.description;
        info.names_readable = !c.names_unreadable;
        info.identity = "sim-" + std::to_string(i);
        info.path = info.identity;
        cameras.push_back(std::move(info));
    }
    return cameras;
}

std::unique_ptr<CameraSession> SimBackend::open(const CameraInfo& camera) {
    for (size_t i = 0; i < devices_.size(); ++i) {
        if (camera.identity == "sim-" + std::to_string(i)) return std::make_unique<SimSession>(devices_[i]);
    }
    return nullptr;
}

}  // namespace capture
