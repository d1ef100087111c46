// `cone-locator cameras` on the simulated rig: the listing, settings applied through the percent
// operation, settings that can't be applied, and the property pages without a display.

#include <gtest/gtest.h>

#include "tests/support/child_process.h"

namespace {

using test_support::ChildProcess;
using test_support::TempDir;

struct CommandRun {
    int status;
    std::string out, err;
};

CommandRun cameras(std::vector<std::string> args) {
    TempDir dir;
    args.insert(args.begin(), {"--camera", "sim", "--work-dir", dir.path(), "--headless", "cameras"});
    ChildProcess p(CONE_LOCATOR_BIN, args);
    const std::optional<int> status = p.wait_exit();
    return {status.value_or(-1), p.output(), p.error_output()};
}

TEST(cameras_command, lists_both_simulated_cameras_with_formats_and_controls) {
    const CommandRun r = cameras({});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* part :
         {"0) Simulated Left Camera\n   port: sim-0\n   formats: YUY2 640x480 320x240 160x120; RGB24 640x480",
          "   controls:\n     brightness             0..255 step 1, default 128, value 128, manual\n",
          "     exposure               1..5000 step 1, default 156, value 156, auto\n",
          "1) Simulated Right Camera\n"}) {
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
    }
    EXPECT_EQ(r.out.find("SETUP"), std::string::npos) << "the library's set-up lines stay quiet";
}

TEST(cameras_command, a_percentage_goes_through_the_raster_rule_to_both_cameras) {
    const CommandRun r = cameras({"--set", "brightness=37.5%", "--set", "exposure=300"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string raster =
        "RASTER - pctValue is 0.375000 - value is 95 - step is 1 - mod is 0 - rasterValue is 95\n";
    EXPECT_EQ(r.out.find(raster + "camera 0: brightness=37.5% -> brightness 95\n"), 0u) << r.out;
    EXPECT_NE(r.out.find(raster + "camera 1: brightness=37.5% -> brightness 95\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("camera 1: exposure=300 -> exposure 300\n"), std::string::npos) << r.out;
    // The listing shows the values now.
    EXPECT_NE(r.out.find("brightness             0..255 step 1, default 128, value 95, manual"),
              std::string::npos);
    EXPECT_NE(r.out.find("exposure               1..5000 step 1, default 156, value 300, manual"),
              std::string::npos);
}

TEST(cameras_command, settings_that_cant_be_applied_say_what_exists_and_fail) {
    CommandRun r = cameras({"--set", "roll=3", "--set", "gain=999"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(
        r.out.find("camera 0: roll=3: the camera has no roll; it has brightness 0..255, contrast 0..255,"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("camera 1: gain=999: out of range; gain takes 0..255 in steps of 1 (default 64)\n"),
              std::string::npos)
        << r.out;
    r = cameras({"--set", "brigthness=3"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(
        r.err.rfind(
            "cone-locator cameras: --set brigthness=3: unknown camera control 'brigthness' (controls: ", 0),
        0u)
        << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(cameras_command, pages_without_a_display_print_each_cameras_properties) {
    const CommandRun r = cameras({"--pages"});
    EXPECT_EQ(r.status, 0) << r.err;
    const size_t left = r.out.find("Properties of Simulated Left Camera (device 0):\n  brightness ");
    const size_t right = r.out.find("Properties of Simulated Right Camera (device 1):\n  brightness ");
    ASSERT_NE(left, std::string::npos) << r.out;
    ASSERT_NE(right, std::string::npos) << r.out;
    EXPECT_LT(left, right);
}

}  // namespace
