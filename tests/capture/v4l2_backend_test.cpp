// The V4L2 back end under the capture library, over a scripted device layer: listing by port and
// pinning, size negotiation, frames as the library receives them, error recovery, busy, locked and
// unplugged cameras, frame rate and controls. No test touches a real device node.

#include "capture/v4l2/v4l2_backend.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "capture/video_device.h"
#include "capture/video_input.h"
#include "tests/capture/fake_v4l2.h"
#include "tests/capture/library_test.h"
#include "tests/support/child_process.h"

namespace capture_test {
namespace {

using capture::Control;
using capture::VideoInput;
using Clock = std::chrono::steady_clock;

const std::string kCam = "/dev/video0";

// A webcam offering YUYV at the given sizes.
FakeCameraConfig webcam(std::vector<std::pair<int, int>> sizes = {{640, 480}, {320, 240}, {160, 120}}) {
    FakeCameraConfig c;
    c.card = "USB Camera";
    c.formats = {FakeFormat{V4L2_PIX_FMT_YUYV, std::move(sizes), std::nullopt}};
    return c;
}

// Rows of a top-down BGR picture in bottom-up order.
std::vector<uint8_t> bottom_up(const cv::Mat& bgr) {
    std::vector<uint8_t> out(bgr.total() * 3);
    const size_t row = static_cast<size_t>(bgr.cols) * 3;
    for (int y = 0; y < bgr.rows; ++y)
        std::memcpy(out.data() + static_cast<size_t>(bgr.rows - 1 - y) * row, bgr.ptr(y), row);
    return out;
}

// The frame the library should hand out: the fake's YUYV frame turned into BGR, bottom-up.
std::vector<uint8_t> expected_frame(uint64_t index, int w, int h, int padding = 0) {
    const int stride = line_bytes(V4L2_PIX_FMT_YUYV, w) + padding;
    std::vector<uint8_t> raw(static_cast<size_t>(stride) * static_cast<size_t>(h));
    paint_fake_pattern(index, V4L2_PIX_FMT_YUYV, w, h, stride, raw.data(), raw.size());
    cv::Mat bgr;
    cv::cvtColor(cv::Mat(h, w, CV_8UC2, raw.data(), static_cast<size_t>(stride)), bgr,
                 cv::COLOR_YUV2BGR_YUYV);
    return bottom_up(bgr);
}

class V4l2Test : public LibraryTest {
protected:
    void TearDown() override {
        LibraryTest::TearDown();
        // Every descriptor and mapping the back end took is given back.
        EXPECT_EQ(fake->open_descriptors(), 0);
        EXPECT_EQ(fake->mapped_buffers(), 0);
    }
    VideoInput& make_vi() { return LibraryTest::make_vi(backend); }
    VideoInput& open_at(FakeCameraConfig config, int w, int h) {
        fake->add_camera(kCam, std::move(config));
        VideoInput& vi = make_vi();
        EXPECT_TRUE(vi.openDevice(0, w, h)) << out;
        return vi;
    }
    // The next frame of device `index`; a frame on its way gets several 1000 ms waits, so that a
    // loaded machine can't fail the test.
    std::vector<uint8_t> fetch(VideoInput& vi, bool* got = nullptr, int attempts = 10, int index = 0) {
        std::vector<uint8_t> frame(static_cast<size_t>(vi.frameBytesOf(index)), 0x55);
        bool ok = false;
        for (int i = 0; i < attempts && !ok; ++i) ok = vi.GetPixels(index, frame.data(), false, false);
        if (got) *got = ok;
        return frame;
    }
    // Lets `frames` frames out of the camera and fetches one as fetch does; false when none came.
    bool deliver_and_fetch(VideoInput& vi, std::vector<uint8_t>* frame = nullptr, int frames = 1,
                           const std::string& path = kCam, int index = 0) {
        fake->deliver(path, frames);
        bool got = false;
        std::vector<uint8_t> fetched = fetch(vi, &got, 10, index);
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
    void use_pins(std::vector<std::string> pins) {
        backend = std::make_shared<capture::V4l2Backend>(fake, std::move(pins));
    }

    std::shared_ptr<FakeV4l2> fake = std::make_shared<FakeV4l2>();
    std::shared_ptr<capture::V4l2Backend> backend = std::make_shared<capture::V4l2Backend>(fake);
};

// Cameras in ports 1, 2, 3.1 (behind a hub in port 3) and 10, on nodes numbered against that
// order, and the metadata node of the first.
void add_rig(FakeV4l2& fake) {
    const std::pair<const char*, const char*> cameras[] = {
        {"/dev/video6", "1"}, {"/dev/video4", "2"}, {"/dev/video2", "3.1"}, {"/dev/video0", "10"}};
    for (const auto& [path, port] : cameras) {
        FakeCameraConfig c = webcam();
        c.card = std::string("Cam ") + port;
        c.port = port;
        fake.add_camera(path, c);
    }
    FakeCameraConfig metadata = webcam();
    metadata.port = "1";
    metadata.index = 1;
    metadata.device_caps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
    fake.add_camera("/dev/video7", metadata);
}

TEST_F(V4l2Test, cameras_are_listed_by_usb_port_with_their_names_ports_and_problems) {
    add_rig(*fake);
    FakeCameraConfig locked = webcam();
    locked.card = "Kamera \xC3\xBC";  // UTF-8 survives byte for byte
    locked.port = "4";
    fake->add_camera("/dev/video1", locked);
    fake->fail_open("/dev/video1", EACCES);

    VideoInput& vi = make_vi();
    EXPECT_EQ(vi.enumerateDevices(false), 5);
    EXPECT_TRUE(
        in_order(out, {"SETUP: 0) Cam 1 \n   USB port 1-1, /dev/video6\n",
                       "SETUP: 1) Cam 2 \n   USB port 1-2, /dev/video4\n",
                       "SETUP: 2) Cam 3.1 \n   USB port 1-3.1, /dev/video2\n",
                       "SETUP: 3) Kamera \xC3\xBC \n   USB port 1-4, /dev/video1\n"
                       "   /dev/video1: no permission to open it - the user needs read and write access "
                       "(usually the group video)\n",
                       "SETUP: 4) Cam 10 \n   USB port 1-10, /dev/video0\n", "SETUP: 5 Device(s) found\n"}))
        << out;
    EXPECT_STREQ(vi.deviceName(3), "Kamera \xC3\xBC");
    EXPECT_EQ(out.find("/dev/video7"), std::string::npos) << "the metadata node is no camera";

    // Opening it names the node and the cause where the user looks for errors.
    size_t mark = out.size();
    EXPECT_FALSE(vi.openDevice(3, 320, 240));
    EXPECT_TRUE(in_order(since(mark), {"/dev/video1: no permission to open it",
                                       "ERROR - Could not find specified video device\n"}));

    // Each node was asked what it is once; opening a camera opens only its node, once.
    const int opens = fake->opens("/dev/video6");
    ASSERT_TRUE(vi.openDevice(0, 320, 240)) << out;
    EXPECT_EQ(fake->opens("/dev/video6"), opens + 1);
    EXPECT_EQ(fake->opens("/dev/video4"), 1);
    EXPECT_EQ(fake->opens("/dev/video7"), 1);
}

TEST_F(V4l2Test, pinned_nodes_are_devices_0_and_1_whatever_their_ports) {
    add_rig(*fake);
    FakeCameraConfig third;
    third.port = "3.1";
    use_pins({FakeV4l2::by_path(third), "/dev/video4"});
    VideoInput& vi = make_vi();
    EXPECT_EQ(vi.enumerateDevices(false), 4);
    EXPECT_TRUE(in_order(
        out, {"SETUP: 0) Cam 3.1 \n", "SETUP: 1) Cam 2 \n", "SETUP: 2) Cam 1 \n", "SETUP: 3) Cam 10 \n"}))
        << out;
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    EXPECT_TRUE(fake->streaming("/dev/video2"));

    // A pinned camera that is missing keeps its place: no other camera moves into it.
    fake->unplug("/dev/video4");
    size_t mark = out.size();
    EXPECT_EQ(vi.enumerateDevices(false), 4);
    EXPECT_TRUE(in_order(since(mark),
                         {"SETUP: 1) /dev/video4 \n", "   /dev/video4: not found\n", "SETUP: 2) Cam 1 \n"}));
    EXPECT_FALSE(vi.openDevice(1, 320, 240));
    EXPECT_FALSE(fake->streaming("/dev/video6"));
}

TEST_F(V4l2Test, offered_size_is_set_with_one_call_and_frames_arrive_converted_bottom_up) {
    FakeCameraConfig c = webcam();
    c.line_padding = 8;  // lines further apart than their pixels
    VideoInput& vi = open_at(c, 320, 240);
    // Formats the camera does not list are refused without asking it.
    EXPECT_EQ(occurrences(out, "SETUP: trying format"), 7u) << out;
    EXPECT_NE(out.find("SETUP: trying format YUYV @ 320 by 240\n"), std::string::npos);
    EXPECT_EQ(fake->calls(kCam, VIDIOC_S_FMT), 1);
    EXPECT_EQ(vi.widthOf(0), 320);
    EXPECT_EQ(vi.heightOf(0), 240);
    EXPECT_EQ(fake->format(kCam), std::make_tuple(uint32_t{V4L2_PIX_FMT_YUYV}, 320, 240));
    EXPECT_TRUE(fake->streaming(kCam));

    for (uint64_t i = 0; i < 2; ++i)
        ASSERT_TRUE(next_frame_is(vi, expected_frame(i, 320, 240, 8))) << "frame " << i;
    vi.closeDevice(0);
    EXPECT_FALSE(fake->streaming(kCam));
}

TEST_F(V4l2Test, size_the_camera_lacks_costs_one_call_for_the_closest_size) {
    VideoInput& vi = open_at(webcam({{640, 480}, {160, 120}}), 320, 240);
    EXPECT_EQ(occurrences(out, "SETUP: trying format"), 18u);
    EXPECT_NE(out.find("SETUP: closest supported size is YUYV @ 160 120\n"), std::string::npos) << out;
    EXPECT_EQ(fake->calls(kCam, VIDIOC_S_FMT), 1);
    EXPECT_EQ(vi.widthOf(0), 160);
    EXPECT_EQ(vi.heightOf(0), 120);
    EXPECT_TRUE(next_frame_is(vi, expected_frame(0, 160, 120)));
}

TEST_F(V4l2Test, format_list_follows_the_enumerated_formats_and_sizes) {
    FakeCameraConfig c = webcam({{640, 480}, {320, 240}});
    c.formats.push_back(FakeFormat{V4L2_PIX_FMT_MJPEG, {}, FakeFormat::Range{160, 120, 1280, 720, 16, 8}});
    c.formats.push_back(FakeFormat{V4L2_PIX_FMT_GREY, {}, FakeFormat::Range{2, 2, 100, 80, 4, 4, true}});
    fake->add_camera(kCam, c);
    auto session = backend->open(backend->list_cameras().at(0));
    ASSERT_NE(session, nullptr);

    const std::vector<capture::FormatRange> formats = session->formats();
    ASSERT_EQ(formats.size(), 4u);
    const capture::FormatRange expect[4] = {{V4L2_PIX_FMT_YUYV, 640, 480, 640, 480, 1, 1},
                                            {V4L2_PIX_FMT_YUYV, 320, 240, 320, 240, 1, 1},
                                            {V4L2_PIX_FMT_MJPEG, 160, 120, 1280, 720, 16, 8},
                                            {V4L2_PIX_FMT_GREY, 2, 2, 100, 80, 1, 1}};
    for (int i = 0; i < 4; ++i) {
        const capture::FormatRange& f = formats[static_cast<size_t>(i)];
        EXPECT_EQ(
            std::make_tuple(f.subtype, f.min_width, f.min_height, f.max_width, f.max_height, f.step_x,
                            f.step_y),
            std::make_tuple(expect[i].subtype, expect[i].min_width, expect[i].min_height, expect[i].max_width,
                            expect[i].max_height, expect[i].step_x, expect[i].step_y))
            << i;
    }
    // The current format, with the frame time the camera reports (1/30 s).
    const std::optional<capture::VideoFormat> current = session->format();
    ASSERT_TRUE(current);
    EXPECT_EQ(current->subtype, uint32_t{V4L2_PIX_FMT_YUYV});
    EXPECT_EQ(current->width, 640);
    EXPECT_EQ(current->frame_time, 333333);
    // Sizes off the steps are refused without a call; those on them are taken.
    EXPECT_FALSE(session->set_format({V4L2_PIX_FMT_MJPEG, 170, 120, 0}));
    EXPECT_EQ(fake->calls(kCam, VIDIOC_S_FMT), 0);
    EXPECT_TRUE(session->set_format({V4L2_PIX_FMT_GREY, 37, 11, 0}));
    EXPECT_EQ(fake->format(kCam), std::make_tuple(uint32_t{V4L2_PIX_FMT_GREY}, 37, 11));
}

TEST_F(V4l2Test, stepwise_sizes_are_searched_in_their_steps) {
    FakeCameraConfig c;
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
    EXPECT_TRUE(next_frame_is(vi, expected_frame(0, 640, 480)));
}

TEST_F(V4l2Test, interrupted_calls_are_repeated) {
    fake->add_camera(kCam, webcam());
    fake->fail_ioctl(kCam, VIDIOC_S_FMT, EINTR, 1);
    fake->fail_ioctl(kCam, VIDIOC_REQBUFS, EINTR, 1);
    fake->fail_ioctl(kCam, VIDIOC_DQBUF, EINTR, 2);
    VideoInput& vi = make_vi();
    ASSERT_TRUE(vi.openDevice(0, 320, 240)) << out;
    EXPECT_EQ(out.find("couldn't find requested size"), std::string::npos) << "the YUYV trial took it";
    EXPECT_TRUE(deliver_and_fetch(vi));
}

TEST_F(V4l2Test, a_busy_camera_is_listed_with_the_reason_and_fails_with_the_librarys_message) {
    fake->add_camera(kCam, webcam());
    fake->fail_open(kCam, EBUSY);
    VideoInput& vi = make_vi();
    // Kept in the listing under its name from sysfs: it is there, only in use.
    EXPECT_EQ(vi.enumerateDevices(false), 1);
    EXPECT_NE(out.find("SETUP: 0) USB Camera \n   USB port 1-1, /dev/video0\n"
                       "   /dev/video0: busy - another program holds the camera\n"),
              std::string::npos)
        << out;
    EXPECT_FALSE(vi.openDevice(0, 320, 240));
    EXPECT_TRUE(in_order(out, {"Device(s) found", "/dev/video0: busy - another program holds the camera\n",
                               "ERROR - Could not find specified video device\n"}))
        << out;
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

TEST_F(V4l2Test, without_bandwidth_for_raw_frames_the_stream_starts_in_mjpeg_at_the_same_size) {
    FakeCameraConfig c = webcam();
    c.formats.push_back(FakeFormat{V4L2_PIX_FMT_MJPEG, {{640, 480}, {320, 240}}, std::nullopt});
    c.no_bandwidth_for_raw = true;
    VideoInput& vi = open_at(c, 320, 240);
    EXPECT_EQ(occurrences(out, "no USB bandwidth left"), 1u) << out;
    EXPECT_NE(out.find("/dev/video0: no USB bandwidth left for YUYV 320 x 240 - trying MJPEG at that size\n"),
              std::string::npos);
    EXPECT_EQ(fake->format(kCam), std::make_tuple(uint32_t{V4L2_PIX_FMT_MJPEG}, 320, 240));
    EXPECT_EQ(vi.widthOf(0), 320);
    std::vector<uint8_t> frame;
    ASSERT_TRUE(deliver_and_fetch(vi, &frame));
    // Decoded bottom-up: the first row is the picture's last, red on the left, blue on the right.
    EXPECT_GT(frame[2], 200);
    EXPECT_LT(frame[0], 60);
    EXPECT_GT(frame[319 * 3], 200);
    EXPECT_LT(frame[319 * 3 + 2], 60);

    // A camera without MJPEG fails as before, with the reason.
    vi.closeDevice(0);
    c.formats.pop_back();
    c.port = "2";
    fake->add_camera("/dev/video2", c);
    size_t mark = out.size();
    EXPECT_FALSE(vi.openDevice(1, 320, 240));
    EXPECT_NE(since(mark).find("/dev/video2: cannot start streaming: No space left on device\n"),
              std::string::npos);
}

TEST_F(V4l2Test, a_corrupt_mjpeg_frame_is_dropped_with_a_counted_warning) {
    FakeCameraConfig c;
    c.formats = {FakeFormat{V4L2_PIX_FMT_MJPEG, {{64, 48}}, std::nullopt}};
    c.pixel_format = V4L2_PIX_FMT_MJPEG;
    c.width = 64;
    c.height = 48;
    // Frames 0 and 2 are cut short, frame 1 is garbage, frame 3 is whole.
    c.painter = [](uint64_t index, uint32_t pf, int w, int h, int stride, uint8_t* data, size_t capacity) {
        const size_t used = paint_fake_pattern(index, pf, w, h, stride, data, capacity);
        if (index == 1) std::memset(data, 0x5A, used);
        return index == 0 || index == 2 ? used / 2 : used;
    };
    VideoInput& vi = open_at(c, 64, 48);
    std::vector<uint8_t> frame;
    ASSERT_TRUE(deliver_and_fetch(vi, &frame, 4));
    EXPECT_GT(frame[2], 200) << "the whole frame came through";
    EXPECT_TRUE(in_order(out, {"/dev/video0: damaged MJPG frame dropped (1 so far)\n"})) << out;
    EXPECT_EQ(occurrences(out, "damaged MJPG frame dropped"), 1u) << "counted, not repeated for every frame";
    EXPECT_TRUE(vi.isDeviceOpen(0));
}

TEST_F(V4l2Test, io_errors_and_flagged_buffers_are_requeued_and_the_stream_goes_on) {
    FakeCameraConfig c = webcam();
    c.flagged_frames = {1};
    VideoInput& vi = open_at(c, 320, 240);
    fake->fail_ioctl(kCam, VIDIOC_DQBUF, EIO, 3);
    ASSERT_TRUE(next_frame_is(vi, expected_frame(0, 320, 240)));
    // Frame 1 comes flagged and is passed over; frame 2 follows.
    ASSERT_TRUE(next_frame_is(vi, expected_frame(2, 320, 240), 2));
    EXPECT_EQ(fake->calls(kCam, VIDIOC_STREAMON), 1) << "a few errors need no restart";
    EXPECT_EQ(out.find("starting the stream again"), std::string::npos);
}

TEST_F(V4l2Test, a_run_of_errors_starts_the_stream_again_and_one_without_end_ends_it) {
    VideoInput& vi = open_at(webcam(), 320, 240);
    fake->fail_ioctl(kCam, VIDIOC_DQBUF, EIO, 5);
    fake->deliver(kCam, 1);
    ASSERT_TRUE(test_support::wait_until([&] { return fake->calls(kCam, VIDIOC_STREAMON) == 2; }));
    std::vector<uint8_t> frame;
    ASSERT_TRUE(deliver_and_fetch(vi, &frame, 0));
    EXPECT_EQ(frame, expected_frame(0, 320, 240));

    // Errors that no restart cures: the stream ends and the frozen-device rule takes over.
    fake->fail_ioctl(kCam, VIDIOC_DQBUF, EIO);
    fake->deliver(kCam, 1);
    ASSERT_TRUE(test_support::wait_until([&] { return fake->calls(kCam, VIDIOC_STREAMON) == 5; }));
    ASSERT_TRUE(test_support::wait_until([&] { return !fake->streaming(kCam); })) << "the stream is given up";
    vi.closeDevice(0);  // joins the streaming thread: its lines are all out
    EXPECT_EQ(
        occurrences(out, "/dev/video0: Input/output error 5 times in a row - starting the stream again\n"),
        4u)
        << out;
    EXPECT_NE(out.find("/dev/video0: Input/output error - no more frames\n"), std::string::npos) << out;
}

TEST_F(V4l2Test, fewer_buffers_than_asked_for_still_stream) {
    FakeCameraConfig c = webcam();
    c.max_buffers = 1;
    VideoInput& vi = open_at(c, 320, 240);
    EXPECT_EQ(fake->buffers(kCam), 1u);
    for (uint64_t i = 0; i < 3; ++i) ASSERT_TRUE(next_frame_is(vi, expected_frame(i, 320, 240))) << i;
}

TEST_F(V4l2Test, frames_carry_the_cameras_capture_time) {
    VideoInput& vi = open_at(webcam(), 320, 240);
    const Clock::time_point before = Clock::now();
    ASSERT_TRUE(deliver_and_fetch(vi));
    EXPECT_GE(vi.frameTimeOf(0), before);
    EXPECT_LE(vi.frameTimeOf(0), Clock::now());
}

TEST_F(V4l2Test, a_camera_pulled_out_mid_stream_ends_delivery_without_a_crash) {
    VideoInput& vi = open_at(webcam(), 320, 240);
    std::vector<uint8_t> first;
    ASSERT_TRUE(deliver_and_fetch(vi, &first));

    const int streamoffs = fake->calls(kCam, VIDIOC_STREAMOFF);
    fake->unplug(kCam);
    std::vector<uint8_t> frame = first;
    const auto start = Clock::now();
    EXPECT_FALSE(vi.GetPixels(0, frame.data(), false, false));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_TRUE(frame == first) << "the destination is left alone";
    // The streaming thread has met the unplugged camera and ended its stream.
    EXPECT_TRUE(test_support::wait_until([&] { return fake->calls(kCam, VIDIOC_STREAMOFF) > streamoffs; }));

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

    // The failed reopen does not tie device 0 to the lost camera: opened anew, it takes the one
    // listed now.
    FakeCameraConfig other = webcam();
    other.port = "3";
    fake->add_camera("/dev/video5", other);
    EXPECT_TRUE(vi.openDevice(0, 320, 240)) << out;
    EXPECT_TRUE(fake->streaming("/dev/video5"));
}

TEST_F(V4l2Test, a_reopen_binds_the_same_camera_never_another_in_its_place) {
    FakeCameraConfig left = webcam();
    left.card = "Left";
    FakeCameraConfig right = webcam();
    right.card = "Right";
    right.port = "2";
    fake->add_camera("/dev/video2", left);
    fake->add_camera("/dev/video0", right);
    VideoInput& vi = make_vi();
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    EXPECT_STREQ(vi.devices[0]->name, "Left");

    // Replugged into its port it comes back on another node: the reopen finds it there.
    fake->unplug("/dev/video2");
    fake->add_camera("/dev/video4", left);
    ASSERT_TRUE(vi.reopenDevice(0)) << out;
    EXPECT_TRUE(fake->streaming("/dev/video4"));
    EXPECT_TRUE(deliver_and_fetch(vi, nullptr, 1, "/dev/video4"));

    // Gone for good: the right camera, now first in the listing, is not taken for it.
    const int streamoffs = fake->calls("/dev/video4", VIDIOC_STREAMOFF);
    fake->unplug("/dev/video4");
    ASSERT_TRUE(
        test_support::wait_until([&] { return fake->calls("/dev/video4", VIDIOC_STREAMOFF) > streamoffs; }));
    size_t mark = out.size();
    EXPECT_FALSE(vi.reopenDevice(0));
    EXPECT_NE(since(mark).find("ERROR - Could not find specified video device\n"), std::string::npos);
    EXPECT_EQ(fake->opens("/dev/video0"), 1) << "only listed, never opened for device 0";
    EXPECT_FALSE(fake->streaming("/dev/video0"));
}

TEST_F(V4l2Test, a_camera_that_is_gone_leaves_the_other_device_open) {
    FakeCameraConfig left = webcam();
    FakeCameraConfig right = webcam();
    right.port = "2";
    fake->add_camera("/dev/video0", left);
    fake->add_camera("/dev/video2", right);
    VideoInput& vi = make_vi();
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    ASSERT_TRUE(vi.openDevice(1, 320, 240));
    fake->unplug("/dev/video0");
    EXPECT_FALSE(vi.reopenDevice(0));
    EXPECT_EQ(vi.deviceCount, 1) << "one camera is left";
    // Device 1 was counted as the second camera; it still runs and delivers.
    EXPECT_TRUE(vi.isDeviceOpen(1));
    EXPECT_EQ(vi.widthOf(1), 320);
    EXPECT_TRUE(deliver_and_fetch(vi, nullptr, 1, "/dev/video2", 1));
    // Opened anew, device 0 is the camera now first in the listing.
    vi.closeDevice(1);
    EXPECT_TRUE(vi.openDevice(0, 320, 240));
    EXPECT_TRUE(fake->streaming("/dev/video2"));
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
    EXPECT_TRUE(next_frame_is(vi, expected_frame(0, 320, 240)));
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

// Range, step, default, value and automatic mode of a control, for comparing in one go.
auto described(const std::optional<capture::ControlInfo>& c) {
    return c ? std::make_tuple(c->min, c->max, c->step, c->default_value, c->value, c->has_auto, c->automatic)
             : std::make_tuple(0, 0, 0, 0, 0, false, false);
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
        camera = vi->devices[0]->camera.get();
    }
    VideoInput* vi = nullptr;
    capture::CameraSession* camera = nullptr;
};

TEST_F(V4l2ControlTest, video_processing_properties_map_to_their_controls) {
    EXPECT_EQ(described(camera->control(Control::brightness)),
              std::make_tuple(-64, 64, 1, 0, 10, false, false));
    EXPECT_FALSE(camera->set_control(Control::brightness, -20, false));
    EXPECT_EQ(fake->control(kCam, V4L2_CID_BRIGHTNESS), -20);
    EXPECT_FALSE(camera->set_control(Control::brightness, 0, true))
        << "no automatic switch: the value is still written";
    EXPECT_EQ(fake->control(kCam, V4L2_CID_BRIGHTNESS), 0);
    EXPECT_EQ(camera->set_control(Control::brightness, 100, false), std::errc::result_out_of_range);

    // White balance has an automatic switch, which is on.
    EXPECT_EQ(described(camera->control(Control::white_balance)),
              std::make_tuple(2800, 6500, 10, 4600, 4000, true, true));
    EXPECT_FALSE(camera->set_control(Control::white_balance, 5000, false));
    EXPECT_EQ(fake->control(kCam, V4L2_CID_AUTO_WHITE_BALANCE), 0);
    EXPECT_EQ(fake->control(kCam, V4L2_CID_WHITE_BALANCE_TEMPERATURE), 5000);
    EXPECT_EQ(described(camera->control(Control::white_balance)),
              std::make_tuple(2800, 6500, 10, 4600, 5000, true, false));
    EXPECT_FALSE(camera->set_control(Control::white_balance, 3000, true));
    EXPECT_EQ(fake->control(kCam, V4L2_CID_AUTO_WHITE_BALANCE), 1);
    EXPECT_EQ(fake->control(kCam, V4L2_CID_WHITE_BALANCE_TEMPERATURE), 5000)
        << "automatic: value left to the camera";

    // Hue is absent on this camera; colour enable has no control at all.
    EXPECT_FALSE(camera->control(Control::hue));
    EXPECT_EQ(camera->set_control(Control::color_enable, 1, false), std::errc::not_supported);
    EXPECT_EQ(capture::proc_amp_control(10), std::nullopt);
    EXPECT_EQ(capture::proc_amp_control(7), Control::white_balance);

    // The list holds what the camera has, in the library's order.
    std::vector<Control> listed;
    for (const capture::ControlInfo& c : camera->controls()) listed.push_back(c.id);
    EXPECT_EQ(listed, (std::vector<Control>{Control::brightness, Control::white_balance, Control::zoom,
                                            Control::exposure}));
}

TEST_F(V4l2ControlTest, camera_control_properties_map_to_their_controls) {
    EXPECT_EQ(capture::camera_control(3), Control::zoom);
    EXPECT_EQ(capture::camera_control(7), std::nullopt);
    EXPECT_EQ(described(camera->control(Control::zoom)),
              std::make_tuple(100, 500, 1, 100, 100, false, false));
    EXPECT_FALSE(camera->set_control(Control::zoom, 300, false));
    EXPECT_EQ(fake->control(kCam, V4L2_CID_ZOOM_ABSOLUTE), 300);

    // Exposure: aperture priority counts as automatic; manual switches the menu to manual first.
    EXPECT_EQ(described(camera->control(Control::exposure)),
              std::make_tuple(3, 2047, 1, 250, 250, true, true));
    EXPECT_FALSE(camera->set_control(Control::exposure, 100, false));
    EXPECT_EQ(fake->control(kCam, V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
    EXPECT_EQ(fake->control(kCam, V4L2_CID_EXPOSURE_ABSOLUTE), 100);
    // Back to automatic: full auto is missing from the menu, so aperture priority.
    EXPECT_FALSE(camera->set_control(Control::exposure, 250, true));
    EXPECT_EQ(fake->control(kCam, V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_APERTURE_PRIORITY);

    EXPECT_FALSE(camera->control(Control::pan));
    EXPECT_FALSE(camera->control(Control::roll));

    // Controls work while the stream goes on.
    EXPECT_TRUE(deliver_and_fetch(*vi));
}

// The library's property operations over V4L2 controls: the raster rule, defaults, automatic
// mode through the camera's switch, and controls the camera lacks or has switched off.
TEST_F(V4l2Test, property_operations_set_the_controls_behind_them) {
    FakeCameraConfig c = webcam();
    c.controls[V4L2_CID_BRIGHTNESS] = control(0, 255, 1, 128, 128);
    c.controls[V4L2_CID_CONTRAST] = control(0, 100, 10, 50, 50);
    c.controls[V4L2_CID_GAMMA] = control(-10, 10, 3, 2, 2);
    c.controls[V4L2_CID_SHARPNESS] = control(0, 1, 1, 0, 0, V4L2_CTRL_TYPE_BOOLEAN);
    c.controls[V4L2_CID_SATURATION] = control(7, 7, 1, 7, 7);
    c.controls[V4L2_CID_GAIN] = control(0, 255, 1, 0, 0);
    c.disabled_controls = {V4L2_CID_GAIN};
    c.controls[V4L2_CID_EXPOSURE_ABSOLUTE] = control(3, 2047, 1, 250, 400);
    c.controls[V4L2_CID_EXPOSURE_AUTO] =
        control(0, 3, 1, 3, V4L2_EXPOSURE_MANUAL, V4L2_CTRL_TYPE_MENU, {V4L2_EXPOSURE_AUTO});
    VideoInput& vi = open_at(c, 320, 240);
    constexpr int32_t kManual = 2;

    const struct {
        int32_t property;
        uint32_t id;
        float fraction;
        int32_t result;
    } raster[] = {{0, V4L2_CID_BRIGHTNESS, 0.5f, 127}, {1, V4L2_CID_CONTRAST, 0.375f, 40},
                  {1, V4L2_CID_CONTRAST, 0.3125f, 30}, {5, V4L2_CID_GAMMA, 0.125f, -6},
                  {5, V4L2_CID_GAMMA, 0.25f, -3},     {4, V4L2_CID_SHARPNESS, 0.5f, 1},
                  {4, V4L2_CID_SHARPNESS, 0.49f, 0},  {0, V4L2_CID_BRIGHTNESS, 1.7f, 255}};
    for (const auto& r : raster) {
        SCOPED_TRACE(std::to_string(r.property) + " at " + std::to_string(r.fraction));
        EXPECT_TRUE(vi.setProcAmpSettingPercent(0, r.property, r.fraction, kManual));
        EXPECT_EQ(fake->control(kCam, r.id), r.result);
    }
    EXPECT_NE(out.find("RASTER - pctValue is 0.125000 - value is -7 - step is 3 - mod is -1 - rasterValue is -6\n"),
              std::string::npos);
    // An empty range fails; a switched-off control and one the camera lacks read as absent.
    EXPECT_FALSE(vi.setProcAmpSettingPercent(0, 3, 0.5f, kManual));
    EXPECT_FALSE(vi.setProcAmpSettingPercent(0, 9, 0.5f, kManual));
    EXPECT_TRUE(vi.setProcAmpSetting(0, 9, 10, kManual, false));
    EXPECT_EQ(fake->control(kCam, V4L2_CID_GAIN), 0);
    EXPECT_TRUE(vi.setProcAmpSetting(0, 2, 10, kManual, false)) << "hue: lacking, still done";
    EXPECT_TRUE(vi.setCameraSetting(0, 2, 10, kManual, false)) << "roll: no V4L2 control at all";

    // Exposure's current flags come from its switch; the default goes in automatic mode, which
    // this camera's menu offers as aperture priority.
    int32_t min = 0, max = 0, step = 0, value = 0, flags = 0, def = 0;
    ASSERT_TRUE(vi.getCameraSetting(0, 4, min, max, step, value, flags, def));
    EXPECT_EQ(std::make_tuple(min, max, step, value, flags, def), std::make_tuple(3, 2047, 1, 400, kManual, 250));
    EXPECT_TRUE(vi.setCameraSetting(0, 4, 0, 0, true));
    EXPECT_EQ(fake->control(kCam, V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_APERTURE_PRIORITY);
    ASSERT_TRUE(vi.getCameraSetting(0, 4, min, max, step, value, flags, def));
    EXPECT_EQ(flags, 1);
    EXPECT_TRUE(vi.setCameraSetting(0, 4, 100, kManual, false));
    EXPECT_EQ(fake->control(kCam, V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
    EXPECT_EQ(fake->control(kCam, V4L2_CID_EXPOSURE_ABSOLUTE), 100);
    // Without a switch the default is simply written.
    EXPECT_TRUE(vi.setProcAmpSetting(0, 0, 0, 0, true));
    EXPECT_EQ(fake->control(kCam, V4L2_CID_BRIGHTNESS), 128);

    // Each operation bound the camera anew and let go of it; the stream goes on.
    EXPECT_EQ(fake->open_descriptors(), 1);
    EXPECT_TRUE(deliver_and_fetch(vi));
}

}  // namespace
}  // namespace capture_test
