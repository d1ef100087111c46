// Frame hand-over: copies with swap and flip, the 1000 ms wait, dropping while a frame waits,
// polling, frozen-device recovery and the buffered mode.

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "capture/sample_grabber_callback.h"
#include "tests/capture/capture_fixture.h"

namespace capture_test {
namespace {

using capture::VideoInput;
using Clock = std::chrono::steady_clock;

std::vector<uint8_t> pattern(uint64_t frame, int w, int h) {
    std::vector<uint8_t> bytes(static_cast<size_t>(w * h * 3));
    capture::paint_test_pattern(frame, w, h, bytes.data());
    return bytes;
}

TEST(copy_frame, swaps_red_and_blue_of_every_pixel) {
    const uint8_t src[6] = {1, 2, 3, 4, 5, 6};
    uint8_t dst[6] = {};
    VideoInput::copyFrame(src, dst, 2, 1, true, false);
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 6), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
}

TEST(copy_frame, flips_rows_with_and_without_the_swap) {
    // Two rows of one pixel each.
    const uint8_t src[6] = {1, 2, 3, 4, 5, 6};
    uint8_t dst[6] = {};
    VideoInput::copyFrame(src, dst, 1, 2, false, true);
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 6), (std::vector<uint8_t>{4, 5, 6, 1, 2, 3}));
    VideoInput::copyFrame(src, dst, 1, 2, true, true);
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 6), (std::vector<uint8_t>{6, 5, 4, 3, 2, 1}));
    VideoInput::copyFrame(src, dst, 1, 2, false, false);
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

class DeliveryTest : public CaptureTest {
protected:
    VideoInput& open_camera(SimDeviceConfig config = webcam()) {
        device = add(std::move(config));
        VideoInput& vi = make_vi();
        EXPECT_TRUE(vi.openDevice(0, 4, 3)) << "any size: the test camera takes what it is asked";
        return vi;
    }
    static SimDeviceConfig tiny() {
        SimDeviceConfig c = webcam();
        c.accepts = [](int, int, uint32_t) { return true; };
        return c;
    }
    std::shared_ptr<SimDevice> device;
};

TEST_F(DeliveryTest, fetch_without_a_frame_times_out_after_a_second_and_leaves_the_destination) {
    VideoInput& vi = open_camera(tiny());
    std::vector<uint8_t> dst(36, 0xAB);
    auto start = Clock::now();
    EXPECT_FALSE(vi.GetPixels(0, dst.data(), false, false));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(950));
    EXPECT_EQ(dst, std::vector<uint8_t>(36, 0xAB));

    uint8_t* own = vi.GetPixels(0, false, false);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(own, own + 36), std::vector<uint8_t>(36, 0)) << "zero before the first frame";
}

TEST_F(DeliveryTest, delivered_frame_is_copied_byte_for_byte_or_turned_over) {
    VideoInput& vi = open_camera(tiny());
    std::vector<uint8_t> dst(36);
    ASSERT_TRUE(pass_frames(*device, 1));
    ASSERT_TRUE(vi.GetPixels(0, dst.data(), false, false));
    EXPECT_EQ(dst, pattern(0, 4, 3));

    ASSERT_TRUE(pass_frames(*device, 1));
    ASSERT_TRUE(vi.GetPixels(0, dst.data(), false, true));
    std::vector<uint8_t> src = pattern(1, 4, 3);
    EXPECT_TRUE(std::equal(dst.begin(), dst.begin() + 12, src.begin() + 24)) << "first row is the last source row";
    EXPECT_TRUE(std::equal(dst.begin() + 24, dst.end(), src.begin()));

    ASSERT_TRUE(pass_frames(*device, 1));
    uint8_t* own = vi.GetPixels(0, true, false);
    std::vector<uint8_t> third = pattern(2, 4, 3);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own[0], third[2]);
    EXPECT_EQ(own[2], third[0]);
}

TEST_F(DeliveryTest, back_to_back_fetches_need_a_new_frame_each) {
    VideoInput& vi = open_camera(tiny());
    std::vector<uint8_t> dst(36);
    ASSERT_TRUE(pass_frames(*device, 1));
    ASSERT_TRUE(vi.GetPixels(0, dst.data(), false, false));
    const Clock::time_point fetched = vi.frameTimeOf(0);
    auto start = Clock::now();
    EXPECT_FALSE(vi.GetPixels(0, dst.data(), false, false));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(950));
    EXPECT_EQ(dst, pattern(0, 4, 3)) << "the failed fetch left the previous frame";
    EXPECT_EQ(vi.frameTimeOf(0), fetched) << "and the time of the frame last fetched";
    ASSERT_TRUE(pass_frames(*device, 1));
    ASSERT_TRUE(vi.GetPixels(0, dst.data(), false, false));
    EXPECT_EQ(dst, pattern(1, 4, 3));
}

TEST_F(DeliveryTest, samples_arriving_while_a_frame_waits_are_dropped) {
    VideoInput& vi = open_camera(tiny());
    ASSERT_TRUE(pass_frames(*device, 3));
    std::vector<uint8_t> dst(36);
    ASSERT_TRUE(vi.GetPixels(0, dst.data(), false, false));
    EXPECT_EQ(dst, pattern(0, 4, 3)) << "the first frame after the last fetch, not the latest";
    EXPECT_FALSE(vi.hasNewFrame(0));
}

TEST_F(DeliveryTest, fetched_frame_carries_the_time_it_was_captured) {
    VideoInput& vi = open_camera(tiny());
    std::vector<uint8_t> dst(36);
    EXPECT_EQ(vi.frameTimeOf(0), Clock::time_point{}) << "nothing fetched yet";
    const Clock::time_point before = Clock::now();
    ASSERT_TRUE(pass_frames(*device, 1));
    const Clock::time_point between = Clock::now();
    ASSERT_TRUE(pass_frames(*device, 1));
    ASSERT_TRUE(vi.GetPixels(0, dst.data(), false, false));
    EXPECT_GE(vi.frameTimeOf(0), before);
    EXPECT_LE(vi.frameTimeOf(0), between) << "the waiting frame's time, not the latest";
    ASSERT_TRUE(pass_frames(*device, 1));
    ASSERT_TRUE(vi.GetPixels(0, dst.data(), false, false));
    EXPECT_GE(vi.frameTimeOf(0), between);
    EXPECT_EQ(vi.frameTimeOf(1), Clock::time_point{}) << "not open";
    vi.closeDevice(0);
    EXPECT_EQ(vi.frameTimeOf(0), Clock::time_point{});
}

TEST_F(DeliveryTest, dropped_waiting_frame_makes_the_next_fetch_take_a_later_one) {
    VideoInput& vi = open_camera(tiny());
    ASSERT_TRUE(pass_frames(*device, 1));
    EXPECT_TRUE(vi.hasNewFrame(0));
    vi.dropWaitingFrame(0);
    EXPECT_FALSE(vi.hasNewFrame(0)) << "let go of as if fetched";
    ASSERT_TRUE(pass_frames(*device, 1));
    std::vector<uint8_t> dst(36);
    ASSERT_TRUE(vi.GetPixels(0, dst.data(), false, false));
    EXPECT_EQ(dst, pattern(1, 4, 3));
    vi.dropWaitingFrame(0);  // nothing waits: nothing happens
    vi.dropWaitingFrame(7);  // not open
    vi.dropWaitingFrame(20);
    ASSERT_TRUE(pass_frames(*device, 1));
    ASSERT_TRUE(vi.GetPixels(0, dst.data(), false, false));
    EXPECT_EQ(dst, pattern(2, 4, 3));
}

TEST_F(DeliveryTest, dropping_while_frames_stream_never_hands_out_one_delivered_before) {
    SimDeviceConfig c = tiny();
    c.frames_per_second = 2000;
    c.painter = [](uint64_t frame, int w, int h, uint8_t* bgr) {
        std::memset(bgr, 0, static_cast<size_t>(w * h * 3));
        std::memcpy(bgr, &frame, sizeof frame);
    };
    VideoInput& vi = open_camera(c);
    std::vector<uint8_t> dst(36);
    for (int i = 0; i < 50; ++i) {
        // Every frame counted here has been handed over before the drop.
        const auto delivered = static_cast<uint64_t>(device->frames_delivered());
        vi.dropWaitingFrame(0);
        ASSERT_TRUE(vi.GetPixels(0, dst.data(), false, false));
        uint64_t index = 0;
        std::memcpy(&index, dst.data(), sizeof index);
        ASSERT_GE(index, delivered) << "round " << i;
    }
}

TEST_F(DeliveryTest, new_frame_stays_reported_until_fetched) {
    VideoInput& vi = open_camera(tiny());
    EXPECT_FALSE(vi.hasNewFrame(0));
    ASSERT_TRUE(pass_frames(*device, 1));
    EXPECT_TRUE(vi.hasNewFrame(0));
    EXPECT_TRUE(vi.hasNewFrame(0));
    std::vector<uint8_t> dst(36);
    ASSERT_TRUE(vi.GetPixels(0, dst.data(), false, false));
    EXPECT_FALSE(vi.hasNewFrame(0));
    EXPECT_EQ(vi.devices[0]->pollCount, 4u);
    EXPECT_FALSE(vi.hasNewFrame(1)) << "not open";
}

TEST_F(DeliveryTest, frozen_device_is_reopened_at_the_sixth_poll_after_its_last_frame_past_400_polls) {
    SimDeviceConfig card = tiny();
    card.crossbar_inputs = {2, 3};  // composite, S-Video
    card.crossbar_outputs = {12};   // the video decoder
    card.tv_formats = 0x1 | 0x10;
    device = add(card);
    VideoInput& vi = make_vi();
    vi.setFrameRate(0, 15);
    ASSERT_TRUE(vi.openDevice(0, 4, 3, 1));
    ASSERT_TRUE(vi.setAnalogStandard(0, 1));
    vi.setFreezeRecovery(0, true, 5);

    // Long without frames, but no verdict within the first 401 polls.
    for (int i = 0; i < 401; ++i) vi.hasNewFrame(0);
    EXPECT_EQ(device->streams_started(), 1);
    EXPECT_EQ(vi.devices[0]->pollCount, 401u);

    ASSERT_TRUE(pass_frames(*device, 1));
    size_t mark = out.size();
    for (int poll = 1; poll <= 5; ++poll) EXPECT_TRUE(vi.hasNewFrame(0)) << poll;
    EXPECT_EQ(device->streams_started(), 1) << "five polls after the frame is not yet frozen";
    EXPECT_EQ(since(mark), "");

    EXPECT_TRUE(vi.hasNewFrame(0)) << "the answer read before the reopen";
    EXPECT_EQ(device->streams_started(), 2);
    std::string log = since(mark);
    EXPECT_TRUE(in_order(log, {"ERROR: Device seems frozen - attempting to reconnect\n",
                               "\nSETUP: Disconnecting device 0\n", "SETUP: Checking crossbar\n",
                               "SETUP: Device is setup and ready to capture.\n\n",
                               "SUCCESS: Able to reconnect to device\n"}))
        << log;

    const capture::VideoDevice* d = vi.devices[0].get();
    EXPECT_EQ(d->pollCount, 0u);
    EXPECT_TRUE(vi.isDeviceOpen(0));
    EXPECT_EQ(vi.widthOf(0), 4);
    EXPECT_EQ(vi.heightOf(0), 3);
    EXPECT_EQ(d->connectorIndex, 1u);
    EXPECT_EQ(device->routes().size(), 2u);
    EXPECT_EQ(device->routes().back(), std::make_pair(0, 1)) << "S-Video routed again";
    EXPECT_TRUE(d->standardRequested);
    EXPECT_EQ(d->analogStandard, 0x10);
    EXPECT_EQ(device->tv_format(), 0x10);
    EXPECT_EQ(d->frameTime, 666666);
    EXPECT_EQ(device->last_format()->frame_time, 666666);
    EXPECT_TRUE(d->reconnectOnFreeze);
    EXPECT_EQ(d->framesBeforeReconnect, 5);
    EXPECT_FALSE(vi.hasNewFrame(0)) << "the reopened device has no frame waiting";
}

TEST_F(DeliveryTest, frozen_device_without_recovery_is_left_alone) {
    VideoInput& vi = open_camera(tiny());
    vi.setFreezeRecovery(0, false, 5);
    for (int i = 0; i < 450; ++i) vi.hasNewFrame(0);
    EXPECT_EQ(device->streams_started(), 1);
    EXPECT_EQ(vi.devices[0]->pollCount, 450u);
}

TEST_F(DeliveryTest, samples_of_the_wrong_length_are_dropped_with_a_message) {
    SimDeviceConfig c = tiny();
    c.sample_length_delta = -3;
    VideoInput& vi = open_camera(c);
    ASSERT_TRUE(pass_frames(*device, 2));
    EXPECT_EQ(occurrences(out, "ERROR: SampleCB() - buffer sizes do not match\n"), 2u);
    EXPECT_FALSE(vi.hasNewFrame(0));
    std::vector<uint8_t> dst(36, 7);
    EXPECT_FALSE(vi.GetPixels(0, dst.data(), false, false));
    EXPECT_EQ(dst, std::vector<uint8_t>(36, 7));
}

TEST_F(DeliveryTest, samples_without_a_data_pointer_are_dropped_silently) {
    SimDeviceConfig c = tiny();
    c.pointer_fails = true;
    VideoInput& vi = open_camera(c);
    size_t mark = out.size();
    ASSERT_TRUE(pass_frames(*device, 1));
    EXPECT_FALSE(vi.hasNewFrame(0));
    EXPECT_EQ(since(mark), "");
}

TEST_F(DeliveryTest, buffered_mode_reads_the_grabbers_latest_sample) {
    device = add(tiny());
    VideoInput& vi = make_vi();
    vi.setUseCallback(false);
    ASSERT_TRUE(vi.openDevice(0, 4, 3));
    vi.setFreezeRecovery(0, true, 5);
    size_t mark = out.size();
    std::vector<uint8_t> dst(36, 9);
    EXPECT_FALSE(vi.GetPixels(0, dst.data(), false, false));
    EXPECT_EQ(since(mark), "ERROR: GetPixels() - Unable to grab frame for device 0\n");
    EXPECT_EQ(dst, std::vector<uint8_t>(36, 9));

    for (int i = 0; i < 450; ++i) EXPECT_TRUE(vi.hasNewFrame(0));
    EXPECT_EQ(device->streams_started(), 1) << "never reconnects";

    ASSERT_TRUE(pass_frames(*device, 2));
    ASSERT_TRUE(vi.GetPixels(0, dst.data(), true, false));
    std::vector<uint8_t> latest = pattern(1, 4, 3);
    EXPECT_EQ(dst[0], latest[2]);
    EXPECT_EQ(dst[35], latest[33]);
    EXPECT_TRUE(vi.GetPixels(0, dst.data(), false, false)) << "the same sample can be read again";
}

TEST_F(DeliveryTest, buffered_mode_reports_a_sample_of_another_size) {
    SimDeviceConfig c = tiny();
    c.sample_length_delta = -6;
    device = add(c);
    VideoInput& vi = make_vi();
    vi.setUseCallback(false);
    ASSERT_TRUE(vi.openDevice(0, 4, 3));
    ASSERT_TRUE(pass_frames(*device, 1));
    size_t mark = out.size();
    std::vector<uint8_t> dst(36);
    EXPECT_FALSE(vi.GetPixels(0, dst.data(), false, false));
    EXPECT_EQ(since(mark), "ERROR: GetPixels() - bufferSizes do not match!\n");
}

TEST_F(DeliveryTest, callback_allocates_its_frame_copy_once) {
    capture::SampleGrabberCallback callback;
    EXPECT_TRUE(callback.allocateBuffer(12));
    EXPECT_FALSE(callback.allocateBuffer(24));
    EXPECT_EQ(callback.bufferBytes, 12);
}

TEST_F(DeliveryTest, devices_stream_fast_while_fetched_closed_and_reopened) {
    SimDeviceConfig c = tiny();
    c.frames_per_second = 2000;
    device = add(c);
    add(c);
    VideoInput& vi = make_vi();
    std::vector<uint8_t> dst(36);
    for (int round = 0; round < 4; ++round) {
        ASSERT_TRUE(vi.openDevice(0, 4, 3));
        ASSERT_TRUE(vi.openDevice(1, 4, 3));
        for (int i = 0; i < 5; ++i) {
            EXPECT_TRUE(vi.GetPixels(0, dst.data(), false, false));
            EXPECT_TRUE(vi.GetPixels(1, dst.data(), true, true));
        }
        vi.closeDevice(0);
        vi.closeDevice(1);
    }
    EXPECT_EQ(device->streams_started(), 4);
}

}  // namespace
}  // namespace capture_test
