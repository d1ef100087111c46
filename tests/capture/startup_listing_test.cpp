// cone-locator's start-up with the simulated rig: the library banner and the verbose device
// listing come before the menu.

#include <gtest/gtest.h>

#include "tests/support/child_process.h"

namespace {

using test_support::ChildProcess;
using test_support::TempDir;

const std::string kMenuEnd = "99:終了\n";
const std::string kListing =
    "\n***** VIDEOINPUT LIBRARY - 0.1995 - QBX42 *****\n\n"
    "\nVIDEOINPUT SPY MODE!\n\n"
    "SETUP: Looking For Capture Devices\n"
    "SETUP: 0) Simulated Left Camera \n"
    "SETUP: 1) Simulated Right Camera \n"
    "SETUP: 2 Device(s) found\n\n";

std::vector<std::string> args(const TempDir& dir) {
    return {"--headless", "--camera", "sim", "--encoding", "utf-8", "--work-dir", dir.path()};
}

TEST(startup_listing, simulated_cameras_are_listed_before_the_menu) {
    TempDir dir;
    ChildProcess tool(CONE_LOCATOR_BIN, args(dir));
    ASSERT_TRUE(tool.wait_for_output(kMenuEnd)) << tool.output() << tool.error_output();
    EXPECT_EQ(tool.output().rfind(kListing + "\n*** 番号を選んで下さい ***\n", 0), 0u) << tool.output();
    tool.send("99\n");
    EXPECT_EQ(tool.wait_exit(), 0);
}

TEST(startup_listing, unreadable_scene_file_ends_with_status_2_before_any_listing) {
    TempDir dir;
    test_support::write_file(dir.file("bad.scene"), "this is not a scene line\n");
    std::vector<std::string> a = args(dir);
    a.insert(a.end(), {"--scene", dir.file("bad.scene")});
    ChildProcess tool(CONE_LOCATOR_BIN, a);
    tool.close_stdin();
    EXPECT_EQ(tool.wait_exit(), 2);
    EXPECT_EQ(tool.output().find("SETUP:"), std::string::npos) << tool.output();
    EXPECT_NE(tool.error_output().find("scene"), std::string::npos) << tool.error_output();
}

TEST(startup_listing, pinned_devices_go_with_the_usb_cameras_only) {
    TempDir dir;
    std::vector<std::string> a = args(dir);
    a.insert(a.end(), {"--devices", "/dev/video0,/dev/video2"});
    ChildProcess tool(CONE_LOCATOR_BIN, a);
    tool.close_stdin();
    EXPECT_EQ(tool.wait_exit(), 2);
    EXPECT_NE(tool.error_output().find("--devices"), std::string::npos) << tool.error_output();
    ChildProcess empty(CONE_LOCATOR_BIN, {"--devices", "/dev/video0,", "--headless"});
    empty.close_stdin();
    EXPECT_EQ(empty.wait_exit(), 2);
}

}  // namespace
