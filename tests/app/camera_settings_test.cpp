// The camera settings a user pins: `--set` values, the settings file with its bad lines, and the
// settings applied when the stereo service starts.

#include "app/camera_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/corn_location_service.h"
#include "app/service_camera_settings.h"
#include "capture/sim/sim_backend.h"
#include "capture/sim/sim_device.h"
#include "platform/console.h"
#include "platform/work_dir.h"
#include "tests/app/service_test_support.h"

namespace {

using app::CameraSetting;
using capture::Control;
using test_support::TempDir;

TEST(camera_setting, values_percentages_auto_and_default_are_read) {
    CameraSetting s;
    std::string error;
    ASSERT_TRUE(app::parse_camera_setting("exposure=-3", s, error)) << error;
    EXPECT_EQ(s.control, Control::exposure);
    EXPECT_EQ(s.kind, CameraSetting::Kind::value);
    EXPECT_EQ(s.value, -3);
    ASSERT_TRUE(app::parse_camera_setting("brightness=37.5%", s, error)) << error;
    EXPECT_EQ(s.kind, CameraSetting::Kind::percent);
    EXPECT_FLOAT_EQ(s.percent, 37.5f);
    EXPECT_EQ(s.text, "brightness=37.5%");
    ASSERT_TRUE(app::parse_camera_setting("white_balance=auto", s, error));
    EXPECT_EQ(s.kind, CameraSetting::Kind::automatic);
    ASSERT_TRUE(app::parse_camera_setting("gain=default", s, error));
    EXPECT_EQ(s.kind, CameraSetting::Kind::standard);
    EXPECT_EQ(s.camera, -1) << "the command line's settings are for both cameras";
}

TEST(camera_setting, bad_names_and_values_are_refused_with_what_there_is) {
    CameraSetting s;
    std::string error;
    EXPECT_FALSE(app::parse_camera_setting("brigthness=3", s, error));
    EXPECT_EQ(error.rfind("unknown camera control 'brigthness' (controls: brightness, contrast,", 0), 0u)
        << error;
    EXPECT_NE(error.find("exposure, iris, focus)"), std::string::npos) << error;
    for (const char* text : {"gain", "gain=", "gain=12x", "gain=3.5", "gain=101%", "gain=-1%", "gain=%",
                             "gain=99999999999", "gain=nan%"}) {
        error.clear();
        EXPECT_FALSE(app::parse_camera_setting(text, s, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

class SettingsFile : public ::testing::Test {
protected:
    std::vector<CameraSetting> read(const std::string& text) {
        test_support::write_file(path, text);
        platform::ConsoleRedirect redirect(&console);
        return app::read_camera_settings_file(path);
    }
    TempDir dir;
    const std::string path = dir.file("rk9t_camera.dat");
    std::string console;
};

TEST_F(SettingsFile, lines_name_a_camera_a_control_and_a_value) {
    const auto settings =
        read("# pinned for the hall\r\n0,exposure,300\r\n\n1, brightness ,40%\n1,white_balance,auto");
    ASSERT_EQ(settings.size(), 3u) << console;
    EXPECT_EQ(console, "");
    EXPECT_EQ(settings[0].camera, 0);
    EXPECT_EQ(settings[0].control, Control::exposure);
    EXPECT_EQ(settings[0].value, 300);
    EXPECT_EQ(settings[1].camera, 1);
    EXPECT_EQ(settings[1].text, "brightness=40%");
    EXPECT_EQ(settings[2].kind, CameraSetting::Kind::automatic) << "the last line needs no line feed";
}

TEST_F(SettingsFile, bad_lines_are_named_and_skipped) {
    const auto settings = read("0,exposure\n2,gain,5\n0,exposur,5\n0,gain,lots\n0,gain,5,6\n" +
                               std::string(300, 'x') + "\n1,gain,7\n");
    ASSERT_EQ(settings.size(), 1u) << console;
    EXPECT_EQ(settings[0].value, 7);
    for (const char* part : {" line 1 skipped: '0,exposure': not index,name,value\n",
                             " line 2 skipped: '2,gain,5': the camera index is 0 or 1\n",
                             " line 3 skipped: '0,exposur,5': unknown camera control 'exposur'",
                             " line 4 skipped: '0,gain,lots': 'lots' is not a value",
                             " line 5 skipped: ", " line 6 skipped: 'xxxx"}) {
        EXPECT_NE(console.find(path + part), std::string::npos) << part << "\n" << console;
    }
}

TEST_F(SettingsFile, ten_bad_lines_are_shown_and_the_rest_counted) {
    std::string text;
    for (int i = 0; i < 25; ++i) text += "bad\n";
    EXPECT_TRUE(read(text).empty());
    size_t shown = 0;
    for (size_t at = console.find(" skipped: "); at != std::string::npos;
         at = console.find(" skipped: ", at + 1))
        ++shown;
    EXPECT_EQ(shown, 10u);
    EXPECT_NE(console.find("同じエラーの行がほかに 15 行あります"), std::string::npos) << console;
}

TEST_F(SettingsFile, a_missing_file_holds_no_settings_and_a_fifo_is_named) {
    platform::ConsoleRedirect redirect(&console);
    EXPECT_TRUE(app::read_camera_settings_file(dir.file("none.dat")).empty());
    EXPECT_EQ(console, "");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_TRUE(app::read_camera_settings_file(path).empty());
    EXPECT_NE(console.find("camera settings not read: " + path + ": not a regular file"), std::string::npos)
        << console;
}

// A two-camera rig with brightness and an automatic exposure.
std::shared_ptr<capture::SimBackend> rig() {
    auto backend = std::make_shared<capture::SimBackend>();
    for (const char* name : {"Left", "Right"}) {
        capture::SimDeviceConfig c;
        c.friendly_name = name;
        c.capabilities = {capture::FormatRange{capture::subtype::RGB24, 320, 240, 320, 240, 1, 1}};
        c.controls[Control::brightness] =
            capture::ControlInfo{Control::brightness, 0, 255, 1, 128, 128, false, false};
        c.controls[Control::exposure] =
            capture::ControlInfo{Control::exposure, 1, 5000, 1, 156, 156, true, true};
        backend->add_device(c);
    }
    return backend;
}

TEST(service_camera_settings, the_file_and_then_the_command_line_apply_when_the_cameras_open) {
    TempDir dir;
    const std::string previous = platform::work_dir();
    platform::set_work_dir(dir.path());
    test_support::write_file(dir.file("rk9t_color.dat"), service_test::kColorTable);
    test_support::write_file(
        dir.file("rk9t_camera.dat"),
        "0,exposure,300\n1,brightness,50%\n0,brightness;9\n1,exposure,9000\n0,brightness,10\n");
    auto backend = rig();
    CameraSetting wins;
    std::string error;
    ASSERT_TRUE(app::parse_camera_setting("brightness=20", wins, error));
    std::string console;
    {
        platform::ConsoleRedirect redirect(&console);
        app::corn_location_service(
            backend, [] { return true; }, app::service_camera_settings({wins}));
    }
    platform::set_work_dir(previous);
    const auto& left = backend->devices()[0];
    const auto& right = backend->devices()[1];
    EXPECT_EQ(left->control(Control::exposure)->value, 300);
    EXPECT_FALSE(left->control(Control::exposure)->automatic);
    EXPECT_EQ(left->control(Control::brightness)->value, 20) << "the command line comes last";
    EXPECT_EQ(right->control(Control::brightness)->value, 20);
    EXPECT_TRUE(right->control(Control::exposure)->automatic) << "9000 is out of range";
    EXPECT_NE(console.find("rk9t_camera.dat line 3 skipped: '0,brightness;9': not index,name,value\n"),
              std::string::npos)
        << console;
    EXPECT_NE(
        console.find(
            "camera 1: exposure=9000: out of range; exposure takes 1..5000 in steps of 1 (default 156)\n"),
        std::string::npos)
        << console;
    EXPECT_NE(console.find("camera 0: exposure=300 -> exposure 300\n"), std::string::npos) << console;
    EXPECT_NE(console.find("RASTER - pctValue is 0.500000 - value is 127"), std::string::npos) << console;
    // Applied once, before the service starts serving.
    EXPECT_EQ(console.find("camera 0: brightness=20 -> brightness 20\n"),
              console.rfind("camera 0: brightness=20 -> brightness 20\n"));
    EXPECT_LT(console.find("camera 0: brightness=20"), console.find("[q]キーを押すと終了します。"));
}

}  // namespace
