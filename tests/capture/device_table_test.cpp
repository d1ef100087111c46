// The device table: construction, listing, opening rules and the settings kept per record.

#include <cstring>

#include "tests/capture/capture_fixture.h"

namespace capture_test {
namespace {

using capture::VideoInput;

TEST_F(CaptureTest, construction_prints_banner_with_version_and_balances_component_system) {
    {
        VideoInput vi(platform);
        EXPECT_EQ(out, "\n***** VIDEOINPUT LIBRARY - 0.1995 - QBX42 *****\n\n");
        EXPECT_EQ(VideoInput::comUsers, 1);
        EXPECT_EQ(platform->faults().calls(Step::initialize), 1);
        vi.enumerateDevices(true);
        EXPECT_EQ(VideoInput::comUsers, 1) << "a listing inside a live object must not uninitialise";
        EXPECT_EQ(platform->faults().calls(Step::initialize), 1);
        EXPECT_EQ(platform->faults().calls(Step::uninitialize), 0);
    }
    EXPECT_EQ(VideoInput::comUsers, 0);
    EXPECT_EQ(platform->faults().calls(Step::uninitialize), 1);

    out.clear();
    VideoInput::verbose = false;
    VideoInput quiet(platform);
    EXPECT_EQ(out, "");
}

TEST_F(CaptureTest, component_system_set_up_elsewhere_is_reported_and_still_usable) {
    platform->faults().fail(Step::initialize, 1);
    add(webcam());
    VideoInput& vi = make_vi();
    EXPECT_NE(out.find("SETUP - COM already setup - threaded VI might not be possible\n"), std::string::npos);
    EXPECT_EQ(vi.enumerateDevices(true), 1);
}

TEST_F(CaptureTest, listing_names_by_friendly_name_then_description_and_skips_unreadable_names) {
    SimDeviceConfig both = webcam("Friendly");
    both.description = "Described";
    SimDeviceConfig described = webcam();
    described.friendly_name.reset();
    described.description = "Only Described";
    SimDeviceConfig broken = webcam("Broken");
    broken.names_unreadable = true;
    SimDeviceConfig nameless = webcam();
    nameless.friendly_name.reset();
    add(both);
    add(described);
    add(broken);
    add(nameless);
    VideoInput& vi = make_vi();
    std::strcpy(VideoInput::deviceNames[2], "stale");

    size_t mark = out.size();
    EXPECT_EQ(vi.enumerateDevices(false), 3);
    EXPECT_EQ(since(mark),
              "\nVIDEOINPUT SPY MODE!\n\n"
              "SETUP: Looking For Capture Devices\n"
              "SETUP: 0) Friendly \n"
              "SETUP: 1) Only Described \n"
              "SETUP: 3 Device(s) found\n\n");
    EXPECT_STREQ(vi.deviceName(0), "Friendly");
    EXPECT_STREQ(vi.deviceName(1), "Only Described");
    EXPECT_STREQ(vi.deviceName(2), "") << "a device without a name keeps no earlier name";
    EXPECT_EQ(vi.deviceName(20), nullptr);

    EXPECT_EQ(vi.enumerateDevices(true), 3);
    EXPECT_EQ(since(mark), "");
    EXPECT_EQ(vi.countDevices(), 3);
}

TEST_F(CaptureTest, machine_without_devices_lists_none_and_open_names_the_last_usable_index) {
    VideoInput& vi = make_vi();
    size_t mark = out.size();
    EXPECT_EQ(vi.enumerateDevices(false), 0);
    EXPECT_EQ(since(mark), "\nVIDEOINPUT SPY MODE!\n\nSETUP: 0 Device(s) found\n\n");
    EXPECT_FALSE(vi.openDevice(0, 320, 240));
    EXPECT_EQ(since(mark),
              "SETUP: device[0] not found - you have 0 devices available\n"
              "SETUP: this means that the last device you can use is device[-1] \n");
}

TEST_F(CaptureTest, unreadable_device_listing_gives_zero_without_the_count_line) {
    add(webcam());
    platform->faults().fail(Step::list_devices);
    VideoInput& vi = make_vi();
    size_t mark = out.size();
    EXPECT_EQ(vi.enumerateDevices(false), 0);
    EXPECT_EQ(since(mark), "\nVIDEOINPUT SPY MODE!\n\n");
    EXPECT_EQ(vi.countDevices(), 0);
}

TEST_F(CaptureTest, long_names_are_cut_to_253_characters_in_listing_and_record) {
    add(webcam(std::string(300, 'N')));
    VideoInput& vi = make_vi();
    size_t mark = out.size();
    vi.enumerateDevices(false);
    EXPECT_EQ(std::strlen(VideoInput::deviceNames[0]), 253u);
    EXPECT_NE(since(mark).find("SETUP: 0) " + std::string(253, 'N') + " \n"), std::string::npos);
    ASSERT_TRUE(vi.openDevice(0));
    EXPECT_EQ(std::strlen(vi.devices[0]->name), 253u);
    EXPECT_EQ(std::u16string(vi.devices[0]->wideName), std::u16string(253, u'N'));
}

TEST_F(CaptureTest, devices_past_the_name_table_are_counted_and_listed_but_not_stored) {
    for (int i = 0; i < 22; ++i) add(webcam("Cam " + std::string(1, static_cast<char>('A' + i))));
    VideoInput& vi = make_vi();
    size_t mark = out.size();
    EXPECT_EQ(vi.enumerateDevices(false), 22);
    std::string listing = since(mark);
    EXPECT_NE(listing.find("SETUP: 21) Cam V \n"), std::string::npos);
    EXPECT_STREQ(vi.deviceName(19), "Cam T");
}

TEST_F(CaptureTest, open_refuses_bad_indexes_and_open_devices_without_a_message) {
    add(webcam());
    VideoInput& vi = make_vi();
    const int enumerations = platform->faults().calls(Step::list_devices);
    size_t mark = out.size();
    EXPECT_FALSE(vi.openDevice(20, 320, 240));
    EXPECT_FALSE(vi.openDevice(-1, 320, 240));
    EXPECT_FALSE(vi.openDevice(20));
    EXPECT_EQ(since(mark), "");
    EXPECT_EQ(platform->faults().calls(Step::list_devices), enumerations)
        << "no device count for an index beyond the table";

    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    since(mark);
    EXPECT_FALSE(vi.openDevice(0, 320, 240));
    EXPECT_FALSE(vi.openDevice(0));
    EXPECT_EQ(since(mark), "");
    EXPECT_TRUE(vi.isDeviceOpen(0));
    EXPECT_FALSE(vi.isDeviceOpen(1));
    EXPECT_FALSE(vi.isDeviceOpen(-1));
    EXPECT_FALSE(vi.isDeviceOpen(25));
}

TEST_F(CaptureTest, delivery_mode_is_fixed_by_the_first_graph_build_even_a_failed_one) {
    add(webcam());
    {
        VideoInput& vi = make_vi();
        EXPECT_FALSE(vi.openDevice(3, 320, 240)) << "index beyond the device count";
        EXPECT_EQ(vi.callbackModeFixed, 0) << "a failure before the build does not fix the mode";
        platform->faults().fail(Step::render_stream, 1);
        EXPECT_FALSE(vi.openDevice(0, 320, 240));
        size_t mark = out.size();
        vi.setUseCallback(false);
        EXPECT_EQ(since(mark), "ERROR: setUseCallback can only be called before setup\n");
        EXPECT_TRUE(vi.useCallback);
    }
    VideoInput& fresh = make_vi();
    size_t mark = out.size();
    fresh.setUseCallback(false);
    EXPECT_EQ(since(mark), "");
    EXPECT_FALSE(fresh.useCallback);
    fresh.setUseCallback(true);
    EXPECT_EQ(since(mark), "ERROR: setUseCallback can only be called before setup\n");
    EXPECT_FALSE(fresh.useCallback);
}

TEST_F(CaptureTest, frame_rate_is_stored_as_time_per_frame_only_for_positive_rates_on_closed_devices) {
    add(webcam());
    VideoInput& vi = make_vi();
    vi.setFrameRate(0, 30);
    EXPECT_EQ(vi.devices[0]->frameTime, 333333);
    vi.setFrameRate(1, 0);
    EXPECT_EQ(vi.devices[1]->frameTime, -1);
    vi.setFrameRate(1, -5);
    EXPECT_EQ(vi.devices[1]->frameTime, -1);
    vi.setFrameRate(20, 30);  // ignored, no crash
    ASSERT_TRUE(vi.openDevice(0));
    vi.setFrameRate(0, 10);
    EXPECT_EQ(vi.devices[0]->frameTime, 333333) << "an open device keeps its rate";
}

TEST_F(CaptureTest, connector_selection_maps_connections_and_ignores_unknown_ones) {
    VideoInput& vi = make_vi();
    vi.selectConnector(0, 5);
    EXPECT_EQ(vi.devices[0]->connectorType, 2);
    EXPECT_FALSE(vi.devices[0]->routeConnector);
    vi.selectConnector(0, -1);
    EXPECT_FALSE(vi.devices[0]->routeConnector);
    const int expected[5] = {2, 3, 1, 11, 10};
    for (int connection = 0; connection < 5; ++connection) {
        vi.selectConnector(1, connection);
        EXPECT_EQ(vi.devices[1]->connectorType, expected[connection]);
        EXPECT_EQ(vi.devices[1]->connectorIndex, static_cast<uint32_t>(connection));
        EXPECT_TRUE(vi.devices[1]->routeConnector);
    }
}

TEST_F(CaptureTest, frame_pointer_is_null_unless_the_device_is_open_and_closing_renews_the_record) {
    add(webcam());
    VideoInput& vi = make_vi();
    uint8_t dst[4] = {};
    EXPECT_EQ(vi.GetPixels(0, false, false), nullptr);
    EXPECT_EQ(vi.GetPixels(20, false, false), nullptr);
    EXPECT_FALSE(vi.GetPixels(0, dst, false, false));
    EXPECT_EQ(vi.widthOf(0), 0);

    vi.setFreezeRecovery(0, true, 7);
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    EXPECT_EQ(vi.widthOf(0), 320);
    EXPECT_EQ(vi.heightOf(0), 240);
    EXPECT_EQ(vi.frameBytesOf(0), 320 * 240 * 3);
    EXPECT_TRUE(vi.devices[0]->reconnectOnFreeze) << "settings made before opening are kept";

    vi.closeDevice(0);
    EXPECT_EQ(vi.GetPixels(0, false, false), nullptr);
    EXPECT_FALSE(vi.isDeviceOpen(0));
    EXPECT_FALSE(vi.devices[0]->reconnectOnFreeze);
    EXPECT_EQ(vi.devices[0]->framesBeforeReconnect, 10000);
    EXPECT_TRUE(vi.openDevice(0, 320, 240)) << "a closed index opens again";
}

TEST_F(CaptureTest, closing_a_device_never_opened_prints_nothing) {
    VideoInput& vi = make_vi();
    size_t mark = out.size();
    vi.closeDevice(4);
    vi.closeDevice(20);
    EXPECT_EQ(since(mark), "");
    EXPECT_NE(vi.devices[4], nullptr);
}

}  // namespace
}  // namespace capture_test
