// Start-up of cone-locator with the simulated rig: the library banner and the verbose device
// listing come before the menu.

#include <gtest/gtest.h>

#include "tests/capture/text_checks.h"
#include "tests/support/child_process.h"

namespace {

using capture_test::in_order;
using test_support::ChildProcess;
using test_support::TempDir;

TEST(startup_listing, simulated_cameras_are_listed_before_the_menu) {
    TempDir dir;
    ChildProcess tool(CONE_LOCATOR_BIN, {"--headless", "--camera", "sim", "--encoding", "utf-8", "--work-dir", dir.path()});
    ASSERT_TRUE(tool.wait_for_output("99:終了\n")) << tool.output() << tool.error_output();
    EXPECT_TRUE(in_order(tool.output(), {"\n***** VIDEOINPUT LIBRARY - 0.1995 - QBX42 *****\n\n",
                                         "\nVIDEOINPUT SPY MODE!\n\n", "SETUP: Looking For Capture Devices\n",
                                         "SETUP: 0) Simulated Left Camera \n", "SETUP: 1) Simulated Right Camera \n",
                                         "SETUP: 2 Device(s) found\n\n", "*** 番号を選んで下さい ***\n"}))
        << tool.output();
    tool.send("99\n");
    EXPECT_EQ(tool.wait_exit(), 0);
}

TEST(startup_listing, unreadable_scene_file_ends_with_status_2_before_any_listing) {
    TempDir dir;
    test_support::write_file(dir.file("bad.scene"), "this is not a scene line\n");
    ChildProcess tool(CONE_LOCATOR_BIN, {"--headless", "--camera", "sim", "--encoding", "utf-8", "--work-dir",
                                         dir.path(), "--scene", dir.file("bad.scene")});
    tool.close_stdin();
    EXPECT_EQ(tool.wait_exit(), 2);
    EXPECT_EQ(tool.output().find("SETUP:"), std::string::npos) << tool.output();
    EXPECT_NE(tool.error_output().find("scene"), std::string::npos) << tool.error_output();
}

}  // namespace
