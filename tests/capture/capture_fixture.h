#pragma once
// Shared set-up of the capture tests over the simulated back end: scriptable cameras, on top of
// the library set-up every capture test has.

#include <memory>
#include <string>

#include "capture/sim/sim_backend.h"
#include "capture/sim/sim_device.h"
#include "capture/subtypes.h"
#include "capture/video_device.h"
#include "tests/capture/library_test.h"
#include "tests/support/child_process.h"

namespace capture_test {

using capture::FormatRange;
using capture::SimDevice;
using capture::SimDeviceConfig;
using capture::Step;

// A webcam: 640 x 480 YUY2 by default, fixed sizes 640 x 480, 320 x 240 and 160 x 120 in RGB24,
// frames only when the test releases them.
inline SimDeviceConfig webcam(std::string name = "Test Camera") {
    SimDeviceConfig c;
    c.friendly_name = std::move(name);
    for (auto [w, h] : {std::pair{640, 480}, std::pair{320, 240}, std::pair{160, 120}})
        c.capabilities.push_back(FormatRange{capture::subtype::RGB24, w, h, w, h, 1, 1});
    c.frames_per_second = 0;
    return c;
}

inline FormatRange fixed_size(uint32_t subtype, int w, int h, int granularity = 1) {
    return FormatRange{subtype, w, h, w, h, granularity, granularity};
}

class CaptureTest : public LibraryTest {
protected:
    capture::VideoInput& make_vi() { return LibraryTest::make_vi(platform); }
    std::shared_ptr<SimDevice> add(SimDeviceConfig config) { return platform->add_device(std::move(config)); }
    // Lets `frames` more frames out of an on-demand camera and waits until they were handed over.
    static bool pass_frames(SimDevice& device, int frames) {
        const int target = device.frames_delivered() + frames;
        device.deliver(frames);
        return test_support::wait_until([&] { return device.frames_delivered() >= target; });
    }

    std::shared_ptr<capture::SimBackend> platform = std::make_shared<capture::SimBackend>();
};

}  // namespace capture_test
