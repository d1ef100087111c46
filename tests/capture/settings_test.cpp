// Camera and filter settings over the simulated back end: the raster rule of the percent form,
// the library's lines, defaults, properties the camera lacks, failures of each step, the property
// pages on their own thread, and what a setting does to a simulated camera's picture.

#include <cstring>

#include "capture/settings_dialog.h"
#include "platform/property_page.h"
#include "tests/capture/capture_fixture.h"

namespace capture_test {
namespace {

using capture::Control;
using capture::ControlInfo;
using capture::VideoInput;
using test_support::wait_until;

constexpr int32_t kAuto = 1, kManual = 2;

ControlInfo control(Control id, int32_t min, int32_t max, int32_t step, int32_t def, bool has_auto = false) {
    return ControlInfo{id, min, max, step, def, def, has_auto, has_auto};
}

class SettingsTest : public CaptureTest {
protected:
    // A webcam with the given controls, opened as device 0.
    VideoInput& open_with(std::vector<ControlInfo> controls) {
        SimDeviceConfig c = webcam();
        for (const ControlInfo& info : controls) c.controls[info.id] = info;
        device = add(c);
        VideoInput& vi = make_vi();
        EXPECT_TRUE(vi.openDevice(0, 320, 240));
        return vi;
    }
    int32_t value_of(Control id) const { return device->control(id)->value; }

    std::shared_ptr<SimDevice> device;
};

struct RasterCase {
    int32_t min, max, step;
    float fraction;
    int32_t result;
    const char* raster;  // the RASTER line; empty when none is printed
};

TEST_F(SettingsTest, percent_snaps_to_the_step_counted_from_zero_with_its_truncation_and_sign_rules) {
    const RasterCase cases[] = {
        {0, 255, 1, 0.5f, 127, "value is 127 - step is 1 - mod is 0 - rasterValue is 127"},
        {0, 100, 10, 0.375f, 40, "value is 37 - step is 10 - mod is 7 - rasterValue is 40"},
        {0, 100, 10, 0.3125f, 30, "value is 31 - step is 10 - mod is 1 - rasterValue is 30"},
        {-10, 10, 3, 0.125f, -6, "value is -7 - step is 3 - mod is -1 - rasterValue is -6"},
        {-10, 10, 3, 0.25f, -3, "value is -5 - step is 3 - mod is -2 - rasterValue is -3"},
        // The range equals the step: the nearer end, without a RASTER line.
        {0, 1, 1, 0.49f, 0, ""},
        {0, 1, 1, 0.5f, 1, ""},
        // Fractions outside 0..1 are clamped.
        {0, 255, 1, 1.7f, 255, "pctValue is 1.000000 - value is 255"},
        {0, 255, 1, -0.2f, 0, "pctValue is 0.000000 - value is 0"},
    };
    for (const RasterCase& t : cases) {
        SCOPED_TRACE(std::to_string(t.min) + ".." + std::to_string(t.max) + " step " +
                     std::to_string(t.step) + " at " + std::to_string(t.fraction));
        platform = std::make_shared<capture::SimBackend>();
        // Started away from the result, so that the set is seen.
        ControlInfo c = control(Control::brightness, t.min, t.max, t.step, t.max == t.result ? t.min : t.max);
        VideoInput& vi = open_with({c});
        size_t mark = out.size();
        EXPECT_TRUE(vi.setProcAmpSettingPercent(0, 0, t.fraction, kManual));
        const std::string log = since(mark);
        EXPECT_EQ(value_of(Control::brightness), t.result);
        if (*t.raster) {
            EXPECT_EQ(occurrences(log, "RASTER - pctValue is "), 1u) << log;
            EXPECT_NE(log.find(t.raster), std::string::npos) << log;
        } else {
            EXPECT_EQ(log.find("RASTER"), std::string::npos) << log;
        }
    }
}

TEST_F(SettingsTest, the_raster_line_is_printed_whole_and_also_without_verbose) {
    VideoInput& vi = open_with({control(Control::brightness, 0, 100, 10, 0)});
    vi.setVerboseOutput(false);
    size_t mark = out.size();
    EXPECT_TRUE(vi.setProcAmpSettingPercent(0, 0, 0.375f, kManual));
    EXPECT_EQ(since(mark),
              "RASTER - pctValue is 0.375000 - value is 37 - step is 10 - mod is 7 - rasterValue is 40\n");
}

TEST_F(SettingsTest, percent_fails_without_setting_on_an_empty_range_or_step) {
    VideoInput& vi =
        open_with({control(Control::brightness, 5, 5, 1, 5), control(Control::contrast, 0, 10, 0, 3),
                   control(Control::zoom, 0, 100, 10, 50)});
    EXPECT_FALSE(vi.setProcAmpSettingPercent(0, 0, 0.5f, kManual));
    EXPECT_FALSE(vi.setProcAmpSettingPercent(0, 1, 0.5f, kManual));
    EXPECT_EQ(value_of(Control::brightness), 5);
    EXPECT_EQ(value_of(Control::contrast), 3);
    // A property the camera lacks reads as an empty range.
    EXPECT_FALSE(vi.setProcAmpSettingPercent(0, 2, 0.5f, kManual));
    // The camera form uses the camera-control numbers: zoom is 3.
    EXPECT_TRUE(vi.setCameraSettingPercent(0, 3, 0.26f, kManual));
    EXPECT_EQ(value_of(Control::zoom), 30);
}

TEST_F(SettingsTest, get_and_set_print_the_range_and_current_value_and_set_the_value) {
    VideoInput& vi = open_with({control(Control::gain, 0, 255, 1, 64),
                                control(Control::exposure, 1, 5000, 1, 156, /*has_auto=*/true)});
    int32_t min = -1, max = -1, step = -1, value = -1, flags = -1, def = -1;
    size_t mark = out.size();
    ASSERT_TRUE(vi.getProcAmpSetting(0, 9, min, max, step, value, flags, def));
    EXPECT_EQ(since(mark),
              "Setting video setting 9.\n"
              "Range for video setting 9: Min:0 Max:255 SteppingDelta:1 Default:64 Flags:2\n");
    EXPECT_EQ(std::make_tuple(min, max, step, value, flags, def),
              std::make_tuple(0, 255, 1, 64, kManual, 64));

    // Exposure can be automatic (capabilities 3) and is now: its flags end as the current ones.
    ASSERT_TRUE(vi.getCameraSetting(0, 4, min, max, step, value, flags, def));
    EXPECT_EQ(since(mark),
              "Setting video setting 4.\n"
              "Range for video setting 4: Min:1 Max:5000 SteppingDelta:1 Default:156 Flags:3\n");
    EXPECT_EQ(flags, kAuto);

    ASSERT_TRUE(vi.setCameraSetting(0, 4, 300, kManual, false));
    EXPECT_EQ(since(mark),
              "Setting video setting 4.\n"
              "Range for video setting 4: Min:1 Max:5000 SteppingDelta:1 Default:156 Flags:3\n"
              "Current value: 156 Flags 1 (Auto)\n");
    EXPECT_EQ(value_of(Control::exposure), 300);
    EXPECT_FALSE(device->control(Control::exposure)->automatic);
    ASSERT_TRUE(vi.setProcAmpSetting(0, 9, 100, kManual, false));
    EXPECT_NE(since(mark).find("Current value: 64 Flags 2 (Manual)\n"), std::string::npos);
    EXPECT_EQ(value_of(Control::gain), 100);

    // Flags other than automatic or manual: the camera refuses, the operation still counts as done.
    EXPECT_TRUE(vi.setProcAmpSetting(0, 9, 10, 0, false));
    EXPECT_EQ(value_of(Control::gain), 100);
}

TEST_F(SettingsTest, use_default_sets_the_default_in_automatic_mode_whatever_was_passed) {
    VideoInput& vi = open_with({control(Control::gain, 0, 255, 1, 64),
                                control(Control::exposure, 1, 5000, 1, 156, /*has_auto=*/true)});
    ASSERT_TRUE(vi.setProcAmpSetting(0, 9, 200, kManual, false));
    ASSERT_TRUE(vi.setCameraSetting(0, 4, 300, kManual, false));
    EXPECT_TRUE(vi.setProcAmpSetting(0, 9, 7, kManual, true));
    EXPECT_EQ(value_of(Control::gain), 64) << "no automatic mode: the default, set by hand";
    EXPECT_TRUE(vi.setCameraSetting(0, 4, 7, kManual, true));
    EXPECT_TRUE(device->control(Control::exposure)->automatic);
}

TEST_F(SettingsTest, a_property_the_camera_lacks_leaves_the_outputs_and_still_counts_as_done) {
    VideoInput& vi = open_with({control(Control::brightness, 0, 255, 1, 128)});
    int32_t min = 11, max = 12, step = 13, value = 14, flags = 15, def = 16;
    size_t mark = out.size();
    EXPECT_TRUE(vi.getProcAmpSetting(0, 2, min, max, step, value, flags, def));  // hue
    EXPECT_EQ(std::make_tuple(min, max, step, value, flags, def), std::make_tuple(11, 12, 13, 14, 15, 16));
    EXPECT_NE(
        since(mark).find("Range for video setting 2: Min:11 Max:12 SteppingDelta:13 Default:16 Flags:15\n"),
        std::string::npos);
    EXPECT_TRUE(vi.setProcAmpSetting(0, 2, 5, kManual, false));
    EXPECT_TRUE(vi.setCameraSetting(0, 2, 5, kManual, false));  // roll
    // Numbers beyond either family are no property at all.
    EXPECT_TRUE(vi.setProcAmpSetting(0, 10, 5, kManual, false));
    EXPECT_TRUE(vi.getCameraSetting(0, 7, min, max, step, value, flags, def));
    EXPECT_EQ(value_of(Control::brightness), 128);
}

TEST_F(SettingsTest, every_operation_fails_quietly_on_a_device_that_is_not_open) {
    add(webcam());
    VideoInput& vi = make_vi();
    int32_t v = 0;
    size_t mark = out.size();
    EXPECT_FALSE(vi.getProcAmpSetting(0, 0, v, v, v, v, v, v));
    EXPECT_FALSE(vi.setProcAmpSetting(0, 0, 1, kManual, false));
    EXPECT_FALSE(vi.setProcAmpSettingPercent(0, 0, 0.5f, kManual));
    EXPECT_FALSE(vi.getCameraSetting(25, 0, v, v, v, v, v, v));
    EXPECT_FALSE(vi.setCameraSetting(-1, 0, 1, kManual, false));
    EXPECT_FALSE(vi.setCameraSettingPercent(0, 0, 0.5f, kManual));
    EXPECT_EQ(vi.openSettingsDialog(0), 0);
    EXPECT_EQ(since(mark), "");
}

TEST_F(SettingsTest, a_camera_that_cant_be_bound_fails_with_its_line_and_the_device_streams_on) {
    VideoInput& vi = open_with(
        {control(Control::brightness, 0, 255, 1, 128), control(Control::exposure, 1, 5000, 1, 156)});
    platform->faults().fail(Step::bind_device);
    int32_t v = 0;
    size_t mark = out.size();
    EXPECT_FALSE(vi.getProcAmpSetting(0, 0, v, v, v, v, v, v));
    EXPECT_FALSE(vi.getCameraSetting(0, 4, v, v, v, v, v, v));
    EXPECT_FALSE(vi.setProcAmpSetting(0, 0, 1, kManual, false));
    EXPECT_EQ(since(mark),
              "setVideoSetting - getDevice Error\n"
              "setVideoSetting - getDevice Error\n"
              "setVideoSetting - getDevice Error\n");
    // The camera form of set says nothing.
    EXPECT_FALSE(vi.setCameraSetting(0, 4, 300, kManual, false));
    EXPECT_EQ(since(mark), "");
    EXPECT_FALSE(vi.setProcAmpSettingPercent(0, 0, 0.5f, kManual));
    EXPECT_EQ(since(mark), "setVideoSetting - getDevice Error\n");
    EXPECT_EQ(vi.openSettingsDialog(0), VideoInput::kSettingsNotBound);
    EXPECT_EQ(value_of(Control::brightness), 128);
    EXPECT_TRUE(vi.isDeviceOpen(0));
    EXPECT_TRUE(pass_frames(*device, 1));
}

TEST_F(SettingsTest, a_missing_property_interface_fails_with_its_line_and_the_camera_form_says_error) {
    VideoInput& vi = open_with(
        {control(Control::brightness, 0, 255, 1, 128), control(Control::exposure, 1, 5000, 1, 156)});
    platform->faults().fail(Step::settings_interface);
    int32_t v = 0;
    size_t mark = out.size();
    EXPECT_FALSE(vi.getProcAmpSetting(0, 0, v, v, v, v, v, v));
    EXPECT_FALSE(vi.setProcAmpSetting(0, 0, 1, kManual, false));
    EXPECT_EQ(since(mark),
              "setVideoSetting - QueryInterface Error\nsetVideoSetting - QueryInterface Error\n");
    EXPECT_FALSE(vi.setCameraSetting(0, 4, 300, kManual, false));
    EXPECT_EQ(since(mark), "Setting video setting 4.\nError\n")
        << "its first line comes before the interface";
    vi.setVerboseOutput(false);
    EXPECT_FALSE(vi.setCameraSetting(0, 4, 300, kManual, false));
    EXPECT_EQ(since(mark), "Error\n");
    EXPECT_EQ(value_of(Control::exposure), 156);
    EXPECT_TRUE(vi.isDeviceOpen(0));
}

// Brightness shifts every byte, gain scales them; at their defaults the picture is as painted.
TEST_F(SettingsTest, brightness_and_gain_change_the_pixels_the_camera_delivers) {
    SimDeviceConfig c = webcam();
    c.controls[Control::brightness] = control(Control::brightness, 0, 255, 1, 128);
    c.controls[Control::gain] = control(Control::gain, 0, 255, 1, 64);
    c.painter = [](uint64_t, int w, int h, uint8_t* bgr) {
        std::memset(bgr, 100, static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
    };
    device = add(c);
    VideoInput& vi = make_vi();
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    std::vector<uint8_t> frame(static_cast<size_t>(vi.frameBytesOf(0)));
    auto next_frame_filled_with = [&](int byte) {
        if (!pass_frames(*device, 1) || !vi.GetPixels(0, frame.data(), false, false)) return false;
        return std::all_of(frame.begin(), frame.end(), [byte](uint8_t b) { return b == byte; });
    };
    EXPECT_TRUE(next_frame_filled_with(100));
    ASSERT_TRUE(vi.setProcAmpSetting(0, 0, 138, kManual, false));
    EXPECT_TRUE(next_frame_filled_with(110));
    ASSERT_TRUE(vi.setProcAmpSetting(0, 9, 128, kManual, false));
    EXPECT_TRUE(next_frame_filled_with(210));
    ASSERT_TRUE(vi.setProcAmpSetting(0, 0, 0, kManual, true));
    EXPECT_TRUE(next_frame_filled_with(200));
    ASSERT_TRUE(vi.setProcAmpSetting(0, 9, 255, kManual, false));
    EXPECT_TRUE(next_frame_filled_with(255)) << "clamped";
}

TEST_F(SettingsTest, without_windows_the_pages_print_the_properties_and_end) {
    VideoInput& vi = open_with({control(Control::brightness, -64, 64, 1, 0),
                                control(Control::exposure, 3, 2047, 1, 250, /*has_auto=*/true)});
    size_t mark = out.size();
    const int64_t handle = vi.openSettingsDialog(0);
    EXPECT_GT(handle, 0);
    ASSERT_TRUE(wait_until([&] { return !vi.settingsDialogOpen(0); }));
    EXPECT_EQ(since(mark),
              "Properties of Test Camera (device 0):\n"
              "  brightness             -64..64 step 1, default 0, value 0, manual\n"
              "  exposure               3..2047 step 1, default 250, value 250, auto\n");
    EXPECT_GT(vi.openSettingsDialog(0), handle) << "every dialog has its own handle";
}

class PagesTest : public SettingsTest {
protected:
    // The page the dialog posts, taken as the window owner takes it.
    std::shared_ptr<platform::PropertyPage> posted_page() {
        std::shared_ptr<platform::PropertyPage> page;
        wait_until([&] {
            auto pages = platform::take_posted_pages();
            if (!pages.empty()) page = pages.front();
            return page != nullptr;
        });
        return page;
    }
    platform::PropertyPageOwner owner;
};

TEST_F(PagesTest, sliders_set_the_camera_and_closing_the_window_ends_the_thread) {
    ASSERT_TRUE(owner.active());
    VideoInput& vi = open_with({control(Control::brightness, -64, 64, 2, 0),
                                control(Control::exposure, 3, 2047, 1, 250, /*has_auto=*/true)});
    ASSERT_GT(vi.openSettingsDialog(0), 0);
    std::shared_ptr<platform::PropertyPage> page = posted_page();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->title(), "Test Camera (device 0)");
    // A slider per property in steps from its minimum, and one for exposure's automatic mode.
    ASSERT_EQ(page->sliders().size(), 3u);
    EXPECT_EQ(page->sliders()[0].name, "brightness");
    EXPECT_EQ(page->sliders()[0].max, 64);
    EXPECT_EQ(page->sliders()[0].position, 32);
    EXPECT_EQ(page->sliders()[2].name, "exposure auto");
    EXPECT_EQ(page->sliders()[2].position, 1);

    page->user_moved(0, 40);
    EXPECT_TRUE(wait_until([&] { return value_of(Control::brightness) == 16; }));
    page->user_moved(2, 0);
    EXPECT_TRUE(wait_until([&] { return !device->control(Control::exposure)->automatic; }));
    unsigned version = 0;
    EXPECT_TRUE(wait_until([&] {
        const auto lines = page->lines(version);
        return !lines.empty() && lines[0].find("value 16, manual") != std::string::npos &&
               lines[1].find("value 250, manual") != std::string::npos;
    })) << "the page shows the values now";

    EXPECT_TRUE(vi.settingsDialogOpen(0));
    page->user_closed();
    EXPECT_TRUE(wait_until([&] { return !vi.settingsDialogOpen(0); }));
    EXPECT_TRUE(pass_frames(*device, 1)) << "the device streams on";
}

TEST_F(PagesTest, closing_the_device_or_the_library_while_pages_are_open_closes_them) {
    VideoInput& vi = open_with({control(Control::brightness, 0, 255, 1, 128)});
    ASSERT_GT(vi.openSettingsDialog(0), 0);
    std::shared_ptr<platform::PropertyPage> first = posted_page();
    ASSERT_TRUE(first);
    vi.closeDevice(0);
    EXPECT_TRUE(first->closed()) << "the window owner takes it down";
    EXPECT_FALSE(vi.settingsDialogOpen(0));

    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    ASSERT_GT(vi.openSettingsDialog(0), 0);
    ASSERT_GT(vi.openSettingsDialog(0), 0);
    std::shared_ptr<platform::PropertyPage> second = posted_page();
    ASSERT_TRUE(second);
    make_vi();  // the old library object goes with both pages open
    EXPECT_TRUE(second->closed());
    EXPECT_FALSE(device->streaming());
}

}  // namespace
}  // namespace capture_test
