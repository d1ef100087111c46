#pragma once
// Shared set-up of the capture tests: a simulated platform with scriptable cameras, the console
// output captured, verbose output on, and the library object made on demand.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/media/sim/sim_device.h"
#include "capture/media/sim/sim_media_platform.h"
#include "capture/video_device.h"
#include "capture/video_input.h"
#include "platform/console.h"
#include "tests/support/child_process.h"

namespace capture_test {

using media::simulated::SimCapability;
using media::simulated::SimDevice;
using media::simulated::SimDeviceConfig;

// A webcam: 640 x 480 YUY2 by default, fixed sizes 640 x 480, 320 x 240 and 160 x 120 in RGB24,
// frames only when the test releases them.
inline SimDeviceConfig webcam(std::u16string name = u"Test Camera") {
    SimDeviceConfig c;
    c.friendly_name = std::move(name);
    for (auto [w, h] : {std::pair{640, 480}, std::pair{320, 240}, std::pair{160, 120}})
        c.capabilities.push_back(SimCapability{media::MEDIASUBTYPE_RGB24, w, h, w, h, 1, 1});
    c.frames_per_second = 0;
    return c;
}

inline SimCapability fixed_size(const media::Guid& subtype, int w, int h, int granularity = 1) {
    return SimCapability{subtype, w, h, w, h, granularity, granularity};
}

// Number of times `needle` occurs in `text`.
inline size_t occurrences(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++n;
    return n;
}

// True when the lines appear in text in this order (other text may lie between).
inline bool in_order(const std::string& text, const std::vector<std::string>& lines) {
    size_t at = 0;
    for (const auto& line : lines) {
        at = text.find(line, at);
        if (at == std::string::npos) return false;
        at += line.size();
    }
    return true;
}

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        capture::VideoInput::verbose = true;
        redirect_.emplace(&out);
    }
    void TearDown() override {
        vi_.reset();
        redirect_.reset();
        capture::VideoInput::verbose = true;
    }

    capture::VideoInput& make_vi() {
        vi_ = std::make_unique<capture::VideoInput>(platform);
        return *vi_;
    }
    std::shared_ptr<SimDevice> add(SimDeviceConfig config) { return platform->add_device(std::move(config)); }
    // Output printed since the mark, and a new mark.
    std::string since(size_t& mark) {
        std::string text = out.substr(mark);
        mark = out.size();
        return text;
    }
    static bool wait_delivered(const SimDevice& device, int frames) {
        return test_support::wait_until([&] { return device.frames_delivered() >= frames; });
    }

    std::string out;
    std::shared_ptr<media::simulated::SimMediaPlatform> platform =
        std::make_shared<media::simulated::SimMediaPlatform>();

private:
    std::optional<platform::ConsoleRedirect> redirect_;
    std::unique_ptr<capture::VideoInput> vi_;
};

}  // namespace capture_test
