// The stereo service's cameras on scripted simulated cameras: a request's pictures are captured
// after it was noticed, a camera without frames is named once and again when they come back, a
// stalled camera is not waited for, and the polls run the library's frozen-device rule.

#include "app/service_cameras.h"

#include <gtest/gtest.h>

#include "capture/sim/sim_backend.h"
#include "capture/sim/sim_device.h"
#include "capture/video_input.h"
#include "platform/console.h"
#include "tests/app/mode_test_support.h"
#include "tests/support/child_process.h"

namespace {

using app::ServiceCameras;
using Clock = std::chrono::steady_clock;
using test_support::wait_until;
using namespace std::chrono_literals;

constexpr int kNoRecovery = 1 << 30;  // polls: the frozen-device rule never fires

capture::SimDeviceConfig camera(double fps) {
    capture::SimDeviceConfig c;
    c.width = 320;
    c.height = 240;
    c.subtype = capture::subtype::RGB24;
    c.capabilities = {capture::FormatRange{capture::subtype::RGB24, 320, 240, 320, 240, 1, 1}};
    c.frames_per_second = fps;  // 0: only the frames the test lets out
    return c;
}

const std::string kStalled0 = "エラー！(corn_location_service)カメラ0から1秒間フレームが届いていません。";
const std::string kStalled1 = "エラー！(corn_location_service)カメラ1から1秒間フレームが届いていません。";
const std::string kBack0 = "カメラ0からまたフレームが届いています（";
const std::string kBack1 = "カメラ1からまたフレームが届いています（";

class ServiceCamerasTest : public ::testing::Test {
protected:
    void open(double fps) {
        left = rig->add_device(camera(fps));
        right = rig->add_device(camera(fps));
        vi = std::make_unique<capture::VideoInput>(rig);
        ASSERT_TRUE(vi->openDevice(0, 320, 240));
        ASSERT_TRUE(vi->openDevice(1, 320, 240));
        cameras = std::make_unique<ServiceCameras>(*vi, image1, image2);
    }
    // Polls until both cameras' pictures were captured at or after `since` (by default: at all).
    bool taken_since(Clock::time_point since = Clock::time_point(Clock::duration(1))) {
        return wait_until([&] {
            cameras->poll(Clock::now());
            return cameras->captured(0) >= since && cameras->captured(1) >= since;
        });
    }

    std::string console;
    platform::ConsoleRedirect redirect{&console};
    std::shared_ptr<capture::SimBackend> rig = std::make_shared<capture::SimBackend>();
    std::shared_ptr<capture::SimDevice> left, right;
    std::unique_ptr<capture::VideoInput> vi;
    cv::Mat image1, image2;
    std::unique_ptr<ServiceCameras> cameras;
};

TEST_F(ServiceCamerasTest, a_request_is_answered_only_from_frames_captured_after_it_was_noticed) {
    open(30);
    cameras->start(kNoRecovery, Clock::now());
    for (int request = 0; request < 3; ++request) {
        SCOPED_TRACE("request " + std::to_string(request));
        // Frames wait from before the request: they must not answer it.
        ASSERT_TRUE(wait_until([&] { return vi->hasNewFrame(0) && vi->hasNewFrame(1); }));
        const Clock::time_point noticed = Clock::now();
        cameras->begin_request(noticed);
        EXPECT_TRUE(cameras->request_begun());
        ASSERT_TRUE(wait_until([&] {
            cameras->poll(Clock::now());
            return cameras->request_ready();
        }));
        EXPECT_GE(cameras->captured(0), noticed);
        EXPECT_GE(cameras->captured(1), noticed);
        EXPECT_EQ(cameras->noticed(), noticed);
        ASSERT_EQ(image1.size(), cv::Size(320, 240));
        ASSERT_EQ(image2.size(), cv::Size(320, 240));
        cameras->end_request();
        EXPECT_FALSE(cameras->request_ready());
    }
    EXPECT_EQ(console.find("フレームが届いていません"), std::string::npos) << console;
}

TEST_F(ServiceCamerasTest, a_camera_without_frames_is_named_once_holds_the_request_and_is_named_when_back) {
    open(0);
    cameras->start(kNoRecovery, Clock::now());
    left->deliver();
    right->deliver();
    ASSERT_TRUE(taken_since());

    // A second without frames: each camera named once, however often it is polled.
    for (int poll = 0; poll < 5; ++poll) cameras->poll(Clock::now() + 1500ms);
    EXPECT_EQ(mode_test::count(console, kStalled0), 1) << console;
    EXPECT_EQ(mode_test::count(console, kStalled1), 1) << console;
    EXPECT_TRUE(cameras->stalled(0) && cameras->stalled(1));
    EXPECT_TRUE(cameras->any_stalled());

    // A stalled camera is not waited for.
    const Clock::time_point noticed = Clock::now();
    cameras->begin_request(noticed);
    EXPECT_LT(Clock::now() - noticed, 500ms);
    EXPECT_FALSE(cameras->request_ready());

    // The right camera comes back alone: the request still waits for the left one.
    right->deliver();
    ASSERT_TRUE(wait_until([&] {
        cameras->poll(Clock::now());
        return !cameras->stalled(1);
    }));
    EXPECT_EQ(mode_test::count(console, kBack1), 1) << console;
    EXPECT_EQ(mode_test::count(console, kBack0), 0) << console;
    EXPECT_GE(cameras->captured(1), noticed);
    EXPECT_FALSE(cameras->request_ready());

    left->deliver();
    ASSERT_TRUE(wait_until([&] {
        cameras->poll(Clock::now());
        return cameras->request_ready();
    }));
    EXPECT_EQ(mode_test::count(console, kBack0), 1) << console;
    EXPECT_GE(cameras->captured(0), noticed);
    // Stalled again later: named again, once.
    for (int poll = 0; poll < 3; ++poll) cameras->poll(Clock::now() + 1500ms);
    EXPECT_EQ(mode_test::count(console, kStalled0), 2) << console;
}

TEST_F(ServiceCamerasTest, the_polls_run_the_frozen_device_rule) {
    open(0);
    cameras->start(5, Clock::now());
    left->deliver();
    right->deliver();
    ASSERT_TRUE(taken_since());
    // Past the rule's first 400 polls, five polls without a frame reopen each device.
    for (int poll = 0; poll < 420 && left->streams_started() < 2; ++poll) cameras->poll(Clock::now());
    EXPECT_EQ(left->streams_started(), 2);
    EXPECT_EQ(right->streams_started(), 2);
    EXPECT_EQ(mode_test::count(console, "ERROR: Device seems frozen - attempting to reconnect\n"), 2)
        << console;
    EXPECT_EQ(mode_test::count(console, "SUCCESS: Able to reconnect to device\n"), 2) << console;
    // Frames of the reopened devices are taken as any others.
    const Clock::time_point reopened = Clock::now();
    left->deliver();
    right->deliver();
    EXPECT_TRUE(taken_since(reopened));
}

}  // namespace
