#include "capture/sim/sim_device.h"

#include <algorithm>
#include <chrono>

namespace capture {

void paint_test_pattern(uint64_t frame_index, int width, int height, uint8_t* bgr) {
    size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    for (size_t i = 0; i < bytes; ++i) bgr[i] = static_cast<uint8_t>((i + 7 * frame_index) % 251);
}

SimDevice::SimDevice(SimDeviceConfig config) : config_(std::move(config)), controls_(config_.controls) {}

void SimDevice::deliver(int frames) {
    {
        std::lock_guard lock(mutex_);
        permits_ += frames;
    }
    changed_.notify_all();
}

int SimDevice::frames_delivered() const {
    std::lock_guard lock(mutex_);
    return delivered_;
}

int SimDevice::streams_started() const {
    std::lock_guard lock(mutex_);
    return streams_;
}

bool SimDevice::streaming() const {
    std::lock_guard lock(mutex_);
    return streaming_;
}

std::optional<VideoFormat> SimDevice::last_format() const {
    std::lock_guard lock(mutex_);
    return last_format_;
}

std::vector<std::pair<int32_t, int32_t>> SimDevice::routes() const {
    std::lock_guard lock(mutex_);
    return routes_;
}

std::optional<int32_t> SimDevice::tv_format() const {
    std::lock_guard lock(mutex_);
    return tv_format_;
}

void SimDevice::record_format(const VideoFormat& format) {
    std::lock_guard lock(mutex_);
    last_format_ = format;
}

void SimDevice::record_route(int32_t output, int32_t input) {
    std::lock_guard lock(mutex_);
    routes_.emplace_back(output, input);
}

void SimDevice::record_tv_format(int32_t format) {
    std::lock_guard lock(mutex_);
    tv_format_ = format;
}

void SimDevice::stream_started() {
    std::lock_guard lock(mutex_);
    ++streams_;
    streaming_ = true;
    stream_start_ = std::chrono::steady_clock::now();
    stalled_ = false;
}

void SimDevice::stream_stopped() {
    std::lock_guard lock(mutex_);
    streaming_ = false;
}

void SimDevice::frame_passed_on() {
    std::lock_guard lock(mutex_);
    ++delivered_;
}

bool SimDevice::wait_for_frame(std::stop_token stop, int sent) {
    std::unique_lock lock(mutex_);
    if (config_.stall_after >= 0 && sent >= config_.stall_after && !stalled_) {
        if (config_.stall_ms < 0 || config_.frames_per_second <= 0) {
            // Frozen: nothing more on this stream.
            changed_.wait(lock, stop, [] { return false; });
            return false;
        }
        // A pause: every later frame comes that much later, none is made up for.
        stalled_ = true;
        stream_start_ += std::chrono::milliseconds(config_.stall_ms);
    }
    if (config_.frames_per_second <= 0) {
        if (!changed_.wait(lock, stop, [this] { return permits_ > 0; })) return false;
        --permits_;
        return true;
    }
    auto due = stream_start_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                   std::chrono::duration<double>(sent / config_.frames_per_second));
    changed_.wait_until(lock, stop, due, [] { return false; });
    return !stop.stop_requested();
}

std::optional<ControlInfo> SimDevice::control(Control id) const {
    std::lock_guard lock(mutex_);
    auto it = controls_.find(id);
    if (it == controls_.end()) return std::nullopt;
    ControlInfo info = it->second;
    info.id = id;
    return info;
}

std::error_code SimDevice::set_control(Control id, int32_t value, bool automatic) {
    std::lock_guard lock(mutex_);
    auto it = controls_.find(id);
    if (it == controls_.end()) return std::make_error_code(std::errc::not_supported);
    ControlInfo& c = it->second;
    if (automatic && c.has_auto) {
        c.automatic = true;
        return {};
    }
    if (value < c.min || value > c.max) return std::make_error_code(std::errc::invalid_argument);
    c.value = value;
    c.automatic = false;
    return {};
}

void SimDevice::adjust_picture(uint8_t* bgr, size_t pixels) const {
    // Numerator and denominator of each factor; a factor of 1 and an offset of 0 change nothing.
    int64_t offset = 0, contrast = 1, contrast_base = 1, saturation = 1, saturation_base = 1, gain = 1,
            gain_base = 1;
    {
        std::lock_guard lock(mutex_);
        auto manual = [this](Control id) -> const ControlInfo* {
            auto it = controls_.find(id);
            if (it == controls_.end() || it->second.automatic || it->second.value == it->second.default_value)
                return nullptr;
            return &it->second;
        };
        if (const ControlInfo* c = manual(Control::brightness)) offset = int64_t{c->value} - c->default_value;
        if (const ControlInfo* c = manual(Control::contrast); c && c->default_value > 0) {
            contrast = std::max(0, c->value);
            contrast_base = c->default_value;
        }
        if (const ControlInfo* c = manual(Control::saturation); c && c->default_value > 0) {
            saturation = std::max(0, c->value);
            saturation_base = c->default_value;
        }
        for (Control id : {Control::gain, Control::exposure}) {
            if (const ControlInfo* c = manual(id); c && c->default_value > 0) {
                gain *= std::max(0, c->value);
                gain_base *= c->default_value;
            }
        }
    }
    if (offset == 0 && contrast == contrast_base && saturation == saturation_base && gain == gain_base) return;
    auto clamp_byte = [](int64_t v) { return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255)); };
    for (size_t p = 0; p < pixels; ++p) {
        uint8_t* px = bgr + p * 3;
        const int64_t grey = (int64_t{px[0]} + px[1] + px[2]) / 3;
        for (int k = 0; k < 3; ++k) {
            int64_t v = grey + (px[k] - grey) * saturation / saturation_base;
            v = 128 + (v - 128) * contrast / contrast_base;
            v = v * gain / gain_base + offset;
            px[k] = clamp_byte(v);
        }
    }
}

}  // namespace capture
