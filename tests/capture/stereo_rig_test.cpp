// The simulated stereo rig seen through the capture library: the renderer's views, delivered
// bottom-up at the negotiated size.

#include <mutex>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "capture/sim/sim_stereo_rig.h"
#include "sim/renderer.h"
#include "tests/capture/capture_fixture.h"

namespace capture_test {
namespace {

using capture::VideoInput;

class StereoRigTest : public LibraryTest {
protected:
    // The view as the platform delivers it: rows bottom-up.
    static cv::Mat delivered(const sim::Scene& scene, sim::View view, int width, int height) {
        cv::Mat upright = sim::render(scene, view, 0);
        if (upright.cols != width || upright.rows != height) {
            cv::Mat resized;
            cv::resize(upright, resized, cv::Size(width, height), 0, 0, cv::INTER_LINEAR);
            upright = resized;
        }
        cv::Mat flipped;
        cv::flip(upright, flipped, 0);
        return flipped;
    }
    static cv::Mat wrap(uint8_t* data, int width, int height) { return cv::Mat(height, width, CV_8UC3, data); }
};

TEST_F(StereoRigTest, devices_0_and_1_deliver_the_left_and_right_views_bottom_up) {
    sim::Scene scene = sim::default_scene();
    ASSERT_EQ(scene.noise, 0.0);
    VideoInput vi(capture::make_sim_stereo_rig(scene, -1));
    ASSERT_EQ(vi.enumerateDevices(true), 2);
    EXPECT_STREQ(vi.deviceName(0), "Simulated Left Camera");
    EXPECT_STREQ(vi.deviceName(1), "Simulated Right Camera");
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    ASSERT_TRUE(vi.openDevice(1, 320, 240));
    ASSERT_EQ(vi.frameBytesOf(0), 230400);

    cv::Mat left_expected = delivered(scene, sim::View::left, 320, 240);
    cv::Mat right_expected = delivered(scene, sim::View::right, 320, 240);
    ASSERT_GT(cv::norm(left_expected, right_expected, cv::NORM_L1), 0.0) << "the two views differ";
    // The first frames may take a while to render on a loaded machine; fetches wait only a second.
    ASSERT_TRUE(test_support::wait_until([&] { return vi.hasNewFrame(0) && vi.hasNewFrame(1); }));
    for (int fetch = 0; fetch < 2; ++fetch) {
        uint8_t* left = vi.GetPixels(0, false, false);
        ASSERT_NE(left, nullptr);
        EXPECT_EQ(cv::norm(wrap(left, 320, 240), left_expected, cv::NORM_INF), 0.0);
        uint8_t* right = vi.GetPixels(1, false, false);
        ASSERT_NE(right, nullptr);
        EXPECT_EQ(cv::norm(wrap(right, 320, 240), right_expected, cv::NORM_INF), 0.0);
    }
    vi.closeDevice(0);
    vi.closeDevice(1);
}

TEST_F(StereoRigTest, other_sizes_are_the_resized_view) {
    sim::Scene scene = sim::default_scene();
    VideoInput vi(capture::make_sim_stereo_rig(scene, -1));
    ASSERT_TRUE(vi.openDevice(1, 160, 120));
    ASSERT_EQ(vi.widthOf(1), 160);
    std::vector<uint8_t> frame(160 * 120 * 3);
    ASSERT_TRUE(test_support::wait_until([&] { return vi.hasNewFrame(1); }));
    ASSERT_TRUE(vi.GetPixels(1, frame.data(), false, false));
    EXPECT_EQ(cv::norm(wrap(frame.data(), 160, 120), delivered(scene, sim::View::right, 160, 120), cv::NORM_INF),
              0.0);
}

TEST_F(StereoRigTest, stalled_rig_stops_after_the_given_number_of_frames) {
    VideoInput vi(capture::make_sim_stereo_rig(sim::default_scene(), 3));
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    std::vector<uint8_t> frame(230400);
    // Frames that arrive while one waits are dropped, so up to three fetches work, then none.
    int fetched = 0;
    while (fetched < 5 && vi.GetPixels(0, frame.data(), false, false)) ++fetched;
    EXPECT_GE(fetched, 1);
    EXPECT_LE(fetched, 3);
    EXPECT_FALSE(vi.GetPixels(0, frame.data(), false, false));
}

// Frame times of a stream, as the streaming thread hands them over.
class FrameTimes final : public capture::FrameSink {
public:
    void on_frame(const uint8_t*, int32_t, std::chrono::steady_clock::time_point time) override {
        std::lock_guard lock(mutex_);
        times_.push_back(time);
    }
    std::vector<std::chrono::steady_clock::time_point> times() {
        std::lock_guard lock(mutex_);
        return times_;
    }

private:
    std::mutex mutex_;
    std::vector<std::chrono::steady_clock::time_point> times_;
};

TEST_F(StereoRigTest, a_stall_of_given_length_pauses_each_stream_once_and_it_delivers_on) {
    auto rig = capture::make_sim_stereo_rig(sim::default_scene(), 3, 400);
    const std::vector<capture::CameraInfo> cameras = rig->list_cameras();
    ASSERT_EQ(cameras.size(), 2u);
    std::unique_ptr<capture::CameraSession> session = rig->open(cameras[1]);
    ASSERT_TRUE(session);
    ASSERT_TRUE(session->set_format(capture::VideoFormat{capture::subtype::RGB24, 320, 240, 333333}));
    for (int stream = 0; stream < 2; ++stream) {
        SCOPED_TRACE("stream " + std::to_string(stream));
        FrameTimes sink;
        ASSERT_TRUE(session->start(sink));
        ASSERT_TRUE(test_support::wait_until([&] { return sink.times().size() >= 8; }));
        session->stop();
        const auto t = sink.times();
        // Three frames, a pause of the stall's length and one frame's time, then on at 30 fps.
        EXPECT_GE(t[3] - t[2], std::chrono::milliseconds(400 + 30));
        EXPECT_LT(t[7] - t[3], std::chrono::milliseconds(500)) << "no second pause";
    }
}

}  // namespace
}  // namespace capture_test
