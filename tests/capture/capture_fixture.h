#pragma once
// Shared set-up of the capture tests over the simulated platform: scriptable cameras, on top of
// the library set-up every capture test has.

#include <memory>
#include <string>

#include "capture/media/sim/sim_device.h"
#include "capture/media/sim/sim_media_platform.h"
#include "capture/video_device.h"
#include "tests/capture/library_test.h"
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

class CaptureTest : public LibraryTest {
protected:
    capture::VideoInput& make_vi() { return LibraryTest::make_vi(platform); }
    std::shared_ptr<SimDevice> add(SimDeviceConfig config) { return platform->add_device(std::move(config)); }
    // Lets `frames` more frames out of an on-demand device and waits until the graph has passed
    // them on.
    static bool pass_frames(SimDevice& device, int frames) {
        const int target = device.frames_delivered() + frames;
        device.deliver(frames);
        return test_support::wait_until([&] { return device.frames_delivered() >= target; });
    }

    std::shared_ptr<media::simulated::SimMediaPlatform> platform =
        std::make_shared<media::simulated::SimMediaPlatform>();
};

}  // namespace capture_test
