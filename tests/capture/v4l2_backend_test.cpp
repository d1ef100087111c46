// The V4L2 back end under the capture library, over a scripted device layer: listing, size
// negotiation, frames as the library receives them, busy and failing devices, a camera pulled out
// mid-stream, frame rate and controls. No test touches a real device node.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "capture/media/am_camera_control.h"
#include "capture/media/am_stream_config.h"
#include "capture/media/am_video_proc_amp.h"
#include "capture/media/base_filter.h"
#include "capture/media/stream_config_caps.h"
#include "capture/media/v4l2/v4l2_error.h"
#include "capture/media/v4l2/v4l2_media_platform.h"
#include "capture/video_input.h"
#include "tests/capture/fake_v4l2.h"
#include "tests/capture/library_test.h"
#include "tests/support/child_process.h"

namespace capture_test {
namespace {

using capture::VideoInput;
using namespace media;
using Clock = std::chrono::steady_clock;

const std::string kCam = "/dev/video0";

// A webcam offering YUYV at the given sizes (and, through the emulation, BGR24 at the same).
FakeCameraConfig webcam(std::vector<std::pair<int, int>> sizes = {{640, 480}, {320, 240}, {160, 120}}) {
    FakeCameraConfig c;
    c.card = "USB Camera";
    c.formats = {FakeFormat{V4L2_PIX_FMT_YUYV, std::move(sizes), std::nullopt}};
    return c;
}

// The frame the library should hand out: the fake's frame turned into BGR by OpenCV, bottom-up.
std::vector<uint8_t> expected_frame(uint64_t index, uint32_t pixel_format, int w, int h, int padding = 0) {
    const int stride = line_bytes(pixel_format, w) + padding;
    std::vector<uint8_t> raw(static_cast<size_t>(stride) * static_cast<size_t>(h));
    paint_fake_pattern(index, pixel_format, w, h, stride, raw.data());
    cv::Mat bgr;
    if (pixel_format == V4L2_PIX_FMT_YUYV) {
        cv::cvtColor(cv::Mat(h, w, CV_8UC2, raw.data(), static_cast<size_t>(stride)), bgr,
                     cv::COLOR_YUV2BGR_YUYV);
    } else {
        bgr = cv::Mat(h, w, CV_8UC3, raw.data(), static_cast<size_t>(stride)).clone();
    }
    std::vector<uint8_t> out(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
    for (int y = 0; y < h; ++y)
        std::memcpy(out.data() + static_cast<size_t>(h - 1 - y) * static_cast<size_t>(w) * 3, bgr.ptr(y),
                    static_cast<size_t>(w) * 3);
    return out;
}

class V4l2Test : public LibraryTest {
protected:
    void TearDown() override {
        LibraryTest::TearDown();
        // Every descriptor and mapping the back end took is given back.
        EXPECT_EQ(fake->open_descriptors(), 0);
        EXPECT_EQ(fake->mapped_buffers(), 0);
    }
    VideoInput& make_vi() { return LibraryTest::make_vi(platform); }
    VideoInput& open_at(FakeCameraConfig config, int w, int h) {
        fake->add_camera(kCam, std::move(config));
        VideoInput& vi = make_vi();
        EXPECT_TRUE(vi.openDevice(0, w, h)) << out;
        return vi;
    }
    // The camera's own filter bound anew, as the settings operations do, asked for an interface.
    template <typename T>
    T* bind(VideoInput& vi) {
        IBaseFilter* filter = nullptr;
        char16_t wide[255];
        char name[255];
        EXPECT_EQ(vi.getDevice(&filter, 0, wide, name), S_OK);
        if (!filter) return nullptr;
        T* interface = nullptr;
        EXPECT_EQ(query_interface(filter, &interface), S_OK);
        filter->Release();
        return interface;
    }
    // The next frame; a frame that is on its way gets several 1000 ms waits, so that a loaded
    // machine can't fail the test.
    std::vector<uint8_t> fetch(VideoInput& vi, bool* got = nullptr, int attempts = 10) {
        std::vector<uint8_t> frame(static_cast<size_t>(vi.frameBytesOf(0)), 0x55);
        bool ok = false;
        for (int i = 0; i < attempts && !ok; ++i) ok = vi.GetPixels(0, frame.data(), false, false);
        if (got) *got = ok;
        return frame;
    }
    // Lets `frames` frames out of the camera and fetches one as fetch does; false when none came.
    // The frame goes to *frame when asked for.
    bool deliver_and_fetch(VideoInput& vi, std::vector<uint8_t>* frame = nullptr, int frames = 1) {
        fake->deliver(kCam, frames);
        bool got = false;
        std::vector<uint8_t> fetched = fetch(vi, &got);
        if (frame) *frame = std::move(fetched);
        return got;
    }
    // The same, passing when the fetched frame is `expected` (frames are too large to print).
    ::testing::AssertionResult next_frame_is(VideoInput& vi, const std::vector<uint8_t>& expected,
                                             int frames = 1) {
        std::vector<uint8_t> frame;
        if (!deliver_and_fetch(vi, &frame, frames)) return ::testing::AssertionFailure() << "no frame came";
        if (frame != expected)
            return ::testing::AssertionFailure() << "the frame differs from the expected one";
        return ::testing::AssertionSuccess();
    }

    std::shared_ptr<FakeV4l2> fake = std::make_shared<FakeV4l2>();
    std::shared_ptr<v4l2::V4l2MediaPlatform> platform = std::make_shared<v4l2::V4l2MediaPlatform>(fake);
};

TEST_F(V4l2Test, listing_takes_capture_nodes_in_number_order_with_their_card_names) {
    FakeCameraConfig ten = webcam();
    ten.card = "Cam Ten";
    FakeCameraConfig two = webcam();
    two.card = "Kamera Zwei \xC3\xBC";  // UTF-8 survives the 16-bit names byte for byte
    FakeCameraConfig zero = webcam();
    zero.card = "Cam Zero";
    FakeCameraConfig metadata = webcam();
    metadata.device_caps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
    fake->add_camera("/dev/video10", ten);
    fake->add_camera("/dev/video2", two);
    fake->add_camera("/dev/video0", zero);
    fake->add_camera("/dev/video1", metadata);
    fake->add_camera("/dev/video3", webcam());
    fake->fail_open("/dev/video3", EACCES);

    VideoInput& vi = make_vi();
    EXPECT_EQ(vi.enumerateDevices(false), 3);
    EXPECT_NE(out.find("SETUP: 0) Cam Zero \nSETUP: 1) Kamera Zwei \xC3\xBC \nSETUP: 2) Cam Ten \n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("SETUP: 3 Device(s) found\n"), std::string::npos);
    EXPECT_STREQ(vi.deviceName(1), "Kamera Zwei \xC3\xBC");
}

TEST_F(V4l2Test, offered_320_by_240_is_taken_by_the_first_trial_and_frames_arrive_bottom_up) {
    FakeCameraConfig c = webcam();
    c.line_padding = 8;  // lines further apart than their pixels
    VideoInput& vi = open_at(c, 320, 240);
    EXPECT_EQ(occurrences(out, "SETUP: trying format"), 1u) << out;
    EXPECT_NE(out.find("SETUP: trying format RGB24 @ 320 by 240\n"), std::string::npos);
    EXPECT_EQ(vi.widthOf(0), 320);
    EXPECT_EQ(vi.heightOf(0), 240);
    EXPECT_EQ(fake->format(kCam), std::make_tuple(uint32_t{V4L2_PIX_FMT_BGR24}, 320, 240));
    EXPECT_TRUE(fake->streaming(kCam));

    for (uint64_t i = 0; i < 2; ++i)
        ASSERT_TRUE(next_frame_is(vi, expected_frame(i, V4L2_PIX_FMT_BGR24, 320, 240, 8))) << "frame " << i;
    vi.closeDevice(0);
    EXPECT_FALSE(fake->streaming(kCam));
}

TEST_F(V4l2Test, closest_size_is_taken_and_the_cameras_own_format_converted) {
    FakeCameraConfig c = webcam({{640, 480}, {160, 120}});
    c.emulate_bgr = false;  // nothing converts on the way: the back end must
    VideoInput& vi = open_at(c, 320, 240);
    EXPECT_EQ(occurrences(out, "SETUP: trying format"), 18u);
    EXPECT_NE(out.find("SETUP: closest supported size is YUYV @ 160 120\n"), std::string::npos) << out;
    EXPECT_EQ(vi.widthOf(0), 160);
    EXPECT_EQ(vi.heightOf(0), 120);
    EXPECT_TRUE(next_frame_is(vi, expected_frame(0, V4L2_PIX_FMT_YUYV, 160, 120)));
}

TEST_F(V4l2Test, capability_records_follow_the_enumerated_formats_and_sizes) {
    FakeCameraConfig c = webcam({{640, 480}, {320, 240}});
    c.emulate_bgr = false;
    c.formats.push_back(FakeFormat{V4L2_PIX_FMT_MJPEG, {}, FakeFormat::Range{160, 120, 1280, 720, 16, 8}});
    fake->add_camera(kCam, c);
    VideoInput& vi = make_vi();
    IAMStreamConfig* config = bind<IAMStreamConfig>(vi);
    ASSERT_NE(config, nullptr);

    int count = 0;
    int size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(size, 128);
    struct Expect {
        Guid subtype;
        int min_w, min_h, max_w, max_h, step_x, step_y;
    };
    const Expect expect[3] = {{MEDIASUBTYPE_YUYV, 640, 480, 640, 480, 1, 1},
                              {MEDIASUBTYPE_YUYV, 320, 240, 320, 240, 1, 1},
                              {MEDIASUBTYPE_MJPG, 160, 120, 1280, 720, 16, 8}};
    for (int i = 0; i < 3; ++i) {
        VIDEO_STREAM_CONFIG_CAPS caps;
        AM_MEDIA_TYPE* mt = nullptr;
        ASSERT_EQ(config->GetStreamCaps(i, &mt, reinterpret_cast<uint8_t*>(&caps)), S_OK);
        EXPECT_TRUE(mt->subtype == expect[i].subtype) << i;
        EXPECT_EQ(caps.min_output_size.cx, expect[i].min_w) << i;
        EXPECT_EQ(caps.min_output_size.cy, expect[i].min_h) << i;
        EXPECT_EQ(caps.max_output_size.cx, expect[i].max_w) << i;
        EXPECT_EQ(caps.max_output_size.cy, expect[i].max_h) << i;
        EXPECT_EQ(caps.output_granularity_x, expect[i].step_x) << i;
        EXPECT_EQ(caps.output_granularity_y, expect[i].step_y) << i;
        VideoInput::freeMediaType(mt);
    }
    // The current format, with the frame time the device reports (1/30 s).
    AM_MEDIA_TYPE* mt = nullptr;
    ASSERT_EQ(config->GetFormat(&mt), S_OK);
    EXPECT_TRUE(mt->subtype == MEDIASUBTYPE_YUYV);
    EXPECT_EQ(video_info(mt)->bmi_header.width, 640);
    EXPECT_EQ(video_info(mt)->avg_time_per_frame, 333333);
    VideoInput::freeMediaType(mt);
    config->Release();
}

TEST_F(V4l2Test, stepwise_sizes_are_searched_in_their_steps) {
    FakeCameraConfig c;
    c.emulate_bgr = false;
    c.formats = {FakeFormat{V4L2_PIX_FMT_YUYV, {}, FakeFormat::Range{160, 120, 640, 480, 16, 8}}};
    VideoInput& vi = open_at(c, 330, 245);
    // 336 = 160 + 11 x 16 lies 6 from 330; 248 = 120 + 16 x 8 lies 3 from 245.
    EXPECT_NE(out.find("SETUP: closest supported size is YUYV @ 336 248\n"), std::string::npos) << out;
    EXPECT_EQ(vi.widthOf(0), 336);
    EXPECT_EQ(vi.heightOf(0), 248);
}

TEST_F(V4l2Test, a_format_the_device_refuses_leaves_the_default_size) {
    fake->add_camera(kCam, webcam());
    fake->fail_ioctl(kCam, VIDIOC_S_FMT, EINVAL);
    VideoInput& vi = make_vi();
    ASSERT_TRUE(vi.openDevice(0, 320, 240)) << out;
    EXPECT_EQ(vi.widthOf(0), 640);
    EXPECT_EQ(vi.heightOf(0), 480);
    // Streamed in the camera's own format, converted here.
    EXPECT_TRUE(next_frame_is(vi, expected_frame(0, V4L2_PIX_FMT_YUYV, 640, 480)));
}

TEST_F(V4l2Test, interrupted_calls_are_repeated) {
    fake->add_camera(kCam, webcam());
    fake->fail_ioctl(kCam, VIDIOC_S_FMT, EINTR, 1);
    fake->fail_ioctl(kCam, VIDIOC_REQBUFS, EINTR, 1);
    fake->fail_ioctl(kCam, VIDIOC_DQBUF, EINTR, 2);
    VideoInput& vi = make_vi();
    ASSERT_TRUE(vi.openDevice(0, 320, 240)) << out;
    EXPECT_EQ(occurrences(out, "SETUP: trying format"), 1u);
    EXPECT_TRUE(deliver_and_fetch(vi));
}

TEST_F(V4l2Test, a_camera_that_cannot_be_opened_fails_with_the_librarys_message) {
    fake->add_camera(kCam, webcam());
    fake->fail_open(kCam, EBUSY);
    VideoInput& vi = make_vi();
    // Kept in the listing, under its path: it is there, only in use.
    EXPECT_EQ(vi.enumerateDevices(false), 1);
    EXPECT_NE(out.find("SETUP: 0) /dev/video0 \n"), std::string::npos) << out;
    EXPECT_FALSE(vi.openDevice(0, 320, 240));
    EXPECT_NE(out.find("/dev/video0: Device or resource busy\n"), std::string::npos) << out;
    EXPECT_NE(out.find("ERROR - Could not find specified video device\n"), std::string::npos);
    EXPECT_FALSE(vi.isDeviceOpen(0));
    EXPECT_EQ(vi.GetPixels(0, false, false), nullptr);
}

TEST_F(V4l2Test, a_camera_streaming_for_another_program_fails_to_start) {
    fake->add_camera(kCam, webcam());
    fake->hold_queue(kCam);
    VideoInput& vi = make_vi();
    EXPECT_FALSE(vi.openDevice(0, 320, 240));
    EXPECT_NE(out.find("/dev/video0: cannot start streaming: Device or resource busy\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("ERROR: Could not start graph\n"), std::string::npos);
    EXPECT_NE(out.find("SETUP: Device 0 disconnected and freed\n"), std::string::npos);
    EXPECT_FALSE(vi.isDeviceOpen(0));

    // Once the other program lets go, the camera opens.
    fake->release_queue(kCam);
    EXPECT_TRUE(vi.openDevice(0, 320, 240)) << out;
}

TEST_F(V4l2Test, a_camera_pulled_out_mid_stream_ends_delivery_without_a_crash) {
    VideoInput& vi = open_at(webcam(), 320, 240);
    std::vector<uint8_t> first;
    ASSERT_TRUE(deliver_and_fetch(vi, &first));

    const int dequeued = fake->calls(kCam, VIDIOC_DQBUF);
    fake->unplug(kCam);
    std::vector<uint8_t> frame = first;
    const auto start = Clock::now();
    EXPECT_FALSE(vi.GetPixels(0, frame.data(), false, false));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_TRUE(frame == first) << "the destination is left alone";
    // The streaming thread has met the unplugged camera.
    EXPECT_TRUE(test_support::wait_until([&] { return fake->calls(kCam, VIDIOC_DQBUF) > dequeued; }));

    // The library's frozen-device recovery notices, tears the stream down and finds no camera.
    vi.setFreezeRecovery(0, true, 5);
    for (int i = 0; i < 410 && vi.isDeviceOpen(0); ++i) vi.hasNewFrame(0);
    EXPECT_FALSE(vi.isDeviceOpen(0));
    // The streaming thread has ended with the reopen's close: its output can be read now.
    EXPECT_NE(out.find("/dev/video0: No such device - no more frames\n"), std::string::npos) << out;
    EXPECT_NE(out.find("ERROR: Device seems frozen - attempting to reconnect\n"), std::string::npos);
    EXPECT_NE(out.find("SETUP: Device 0 disconnected and freed\n"), std::string::npos);
    EXPECT_NE(out.find("SETUP: device[0] not found - you have 0 devices available\n"), std::string::npos);
    EXPECT_NE(out.find("ERROR: Unable to reconnect to device\n"), std::string::npos);
    EXPECT_EQ(vi.GetPixels(0, false, false), nullptr);
}

TEST_F(V4l2Test, damaged_frames_are_skipped_and_a_silent_camera_stops_cleanly) {
    FakeCameraConfig c = webcam();
    // Frame 0 comes short, frame 1 whole.
    c.painter = [](uint64_t index, uint32_t pf, int w, int h, int stride, uint8_t* data) {
        size_t used = paint_fake_pattern(index, pf, w, h, stride, data);
        return index == 0 ? used / 2 : used;
    };
    VideoInput& vi = open_at(c, 320, 240);
    ASSERT_TRUE(next_frame_is(vi, expected_frame(1, V4L2_PIX_FMT_BGR24, 320, 240), 2));

    // Nothing more comes: the fetch times out, and closing still ends the waiting stream.
    bool got = true;
    fetch(vi, &got, 1);
    EXPECT_FALSE(got);
    vi.closeDevice(0);
    EXPECT_FALSE(fake->streaming(kCam));
}

TEST_F(V4l2Test, a_reopened_camera_streams_again_at_its_size_without_analog_parts) {
    VideoInput& vi = open_at(webcam(), 320, 240);
    EXPECT_FALSE(vi.setAnalogStandard(0, 0));
    EXPECT_NE(out.find("SETUP: couldn't set requested format\n"), std::string::npos);
    // The recovery path: close and open again, routing the (absent) crossbar on the way.
    ASSERT_TRUE(vi.reopenDevice(0)) << out;
    EXPECT_NE(out.find("SETUP: You are a webcam or snazzy firewire cam! No Crossbar needed\n"),
              std::string::npos);
    EXPECT_EQ(vi.widthOf(0), 320);
    EXPECT_EQ(vi.heightOf(0), 240);
    EXPECT_TRUE(next_frame_is(vi, expected_frame(0, V4L2_PIX_FMT_BGR24, 320, 240)));
}

TEST_F(V4l2Test, a_frame_rate_set_before_opening_is_asked_of_the_camera) {
    fake->add_camera(kCam, webcam());
    VideoInput& vi = make_vi();
    vi.setFrameRate(0, 15);
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    v4l2_fract t = fake->time_per_frame(kCam);
    ASSERT_NE(t.denominator, 0u);
    // 666666 x 100 ns, reduced.
    EXPECT_EQ(t.numerator, 333333u);
    EXPECT_EQ(t.denominator, 5000000u);
}

FakeControl control(int32_t min, int32_t max, int32_t step, int32_t def, int32_t value,
                    uint32_t type = V4L2_CTRL_TYPE_INTEGER, std::vector<int32_t> refused = {}) {
    return FakeControl{min, max, step, def, value, type, std::move(refused)};
}

class V4l2ControlTest : public V4l2Test {
protected:
    void SetUp() override {
        V4l2Test::SetUp();
        FakeCameraConfig c = webcam();
        c.controls[V4L2_CID_BRIGHTNESS] = control(-64, 64, 1, 0, 10);
        c.controls[V4L2_CID_WHITE_BALANCE_TEMPERATURE] = control(2800, 6500, 10, 4600, 4000);
        c.controls[V4L2_CID_AUTO_WHITE_BALANCE] = control(0, 1, 1, 1, 1, V4L2_CTRL_TYPE_BOOLEAN);
        c.controls[V4L2_CID_EXPOSURE_ABSOLUTE] = control(3, 2047, 1, 250, 250);
        // A webcam's exposure menu: manual and aperture priority only.
        c.controls[V4L2_CID_EXPOSURE_AUTO] = FakeControl{
            0, 3, 1, 3, 3, V4L2_CTRL_TYPE_MENU, {V4L2_EXPOSURE_AUTO, V4L2_EXPOSURE_SHUTTER_PRIORITY}};
        c.controls[V4L2_CID_ZOOM_ABSOLUTE] = control(100, 500, 1, 100, 100);
        vi = &open_at(c, 320, 240);
    }
    VideoInput* vi = nullptr;
};

TEST_F(V4l2ControlTest, video_processing_properties_map_to_their_controls) {
    IAMVideoProcAmp* amp = bind<IAMVideoProcAmp>(*vi);
    ASSERT_NE(amp, nullptr);
    int32_t min = 0, max = 0, step = 0, def = 0, flags = 0, value = 0;

    ASSERT_EQ(amp->GetRange(0, &min, &max, &step, &def, &flags), S_OK);  // brightness
    EXPECT_EQ(std::make_tuple(min, max, step, def, flags), std::make_tuple(-64, 64, 1, 0, 2));
    ASSERT_EQ(amp->Get(0, &value, &flags), S_OK);
    EXPECT_EQ(value, 10);
    EXPECT_EQ(flags, 2);
    EXPECT_EQ(amp->Set(0, -20, 2), S_OK);
    EXPECT_EQ(fake->control(kCam, V4L2_CID_BRIGHTNESS), -20);
    EXPECT_EQ(amp->Set(0, 0, 1), S_OK) << "no automatic switch: the value is still written";
    EXPECT_EQ(fake->control(kCam, V4L2_CID_BRIGHTNESS), 0);
    EXPECT_EQ(v4l2::errno_of(amp->Set(0, 100, 2)), ERANGE);

    // White balance has an automatic switch, which is on.
    ASSERT_EQ(amp->GetRange(7, &min, &max, &step, &def, &flags), S_OK);
    EXPECT_EQ(std::make_tuple(min, max, step, def, flags), std::make_tuple(2800, 6500, 10, 4600, 3));
    ASSERT_EQ(amp->Get(7, &value, &flags), S_OK);
    EXPECT_EQ(flags, 1);
    EXPECT_EQ(amp->Set(7, 5000, 2), S_OK);
    EXPECT_EQ(fake->control(kCam, V4L2_CID_AUTO_WHITE_BALANCE), 0);
    EXPECT_EQ(fake->control(kCam, V4L2_CID_WHITE_BALANCE_TEMPERATURE), 5000);
    ASSERT_EQ(amp->Get(7, &value, &flags), S_OK);
    EXPECT_EQ(std::make_pair(value, flags), std::make_pair(5000, 2));
    EXPECT_EQ(amp->Set(7, 3000, 1), S_OK);
    EXPECT_EQ(fake->control(kCam, V4L2_CID_AUTO_WHITE_BALANCE), 1);
    EXPECT_EQ(fake->control(kCam, V4L2_CID_WHITE_BALANCE_TEMPERATURE), 5000)
        << "automatic: value left to the camera";

    // Hue is absent on this camera; colour enable has no control at all.
    EXPECT_EQ(amp->GetRange(2, &min, &max, &step, &def, &flags), E_PROP_ID_UNSUPPORTED);
    EXPECT_EQ(amp->Set(6, 1, 2), E_PROP_ID_UNSUPPORTED);
    EXPECT_EQ(amp->Get(10, &value, &flags), E_PROP_ID_UNSUPPORTED);
    amp->Release();
}

TEST_F(V4l2ControlTest, camera_control_properties_map_to_their_controls) {
    IAMCameraControl* cam = bind<IAMCameraControl>(*vi);
    ASSERT_NE(cam, nullptr);
    int32_t min = 0, max = 0, step = 0, def = 0, flags = 0, value = 0;

    ASSERT_EQ(cam->GetRange(3, &min, &max, &step, &def, &flags), S_OK);  // zoom
    EXPECT_EQ(std::make_tuple(min, max, step, def, flags), std::make_tuple(100, 500, 1, 100, 2));
    EXPECT_EQ(cam->Set(3, 300, 2), S_OK);
    EXPECT_EQ(fake->control(kCam, V4L2_CID_ZOOM_ABSOLUTE), 300);

    // Exposure: aperture priority counts as automatic; manual switches the menu to manual first.
    ASSERT_EQ(cam->Get(4, &value, &flags), S_OK);
    EXPECT_EQ(std::make_pair(value, flags), std::make_pair(250, 1));
    EXPECT_EQ(cam->Set(4, 100, 2), S_OK);
    EXPECT_EQ(fake->control(kCam, V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
    EXPECT_EQ(fake->control(kCam, V4L2_CID_EXPOSURE_ABSOLUTE), 100);
    // Back to automatic: full auto is missing from the menu, so aperture priority.
    EXPECT_EQ(cam->Set(4, 250, 1), S_OK);
    EXPECT_EQ(fake->control(kCam, V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_APERTURE_PRIORITY);

    EXPECT_EQ(cam->GetRange(0, &min, &max, &step, &def, &flags), E_PROP_ID_UNSUPPORTED);  // no pan
    EXPECT_EQ(cam->Get(2, &value, &flags), E_PROP_ID_UNSUPPORTED);                        // roll
    cam->Release();

    // The settings filter had its own descriptor; the stream goes on.
    EXPECT_TRUE(deliver_and_fetch(*vi));
}

}  // namespace
}  // namespace capture_test
