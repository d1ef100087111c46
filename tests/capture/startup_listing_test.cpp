// cone-locator with the simulated rig, end to end: the library banner and the verbose device
// listing come before the menu, and a whole menu session prints the library's lines byte for byte.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/capture/text_checks.h"
#include "tests/support/child_process.h"

namespace {

using capture_test::in_order;
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

std::string setup(int device, const std::string& name) {
    return "SETUP: Setting up device " + std::to_string(device) + "\nSETUP: " + name +
           "\nSETUP: Default Format is set to 640 by 480 \n"
           "SETUP: trying format RGB24 @ 320 by 240\n"
           "SETUP: Capture callback set\n"
           "SETUP: Device is setup and ready to capture.\n\n";
}

std::string teardown(int device, const std::string& name) {
    const std::string n = std::to_string(device);
    return "\nSETUP: Disconnecting device " + n +
           "\n"
           "SETUP: freeing Grabber Callback\n"
           "SETUP: freeing Grabber  \n"
           "SETUP: freeing Control   \n"
           "SETUP: freeing Media Type  \n"
           "SETUP: removing filter " +
           name +
           "...\n"
           "SETUP: filter removed " +
           name +
           "  \n"
           "SETUP: removing filter Sample Grabber...\n"
           "SETUP: filter removed Sample Grabber  \n"
           "SETUP: removing filter NullRenderer...\n"
           "SETUP: filter removed NullRenderer  \n"
           "SETUP: freeing Capture Graph \n"
           "SETUP: freeing Main Graph \n"
           "SETUP: Device " +
           n + " disconnected and freed\n\n";
}

// The library's lines of a text, in order.
std::string library_lines(const std::string& text) {
    std::istringstream in(text);
    std::string kept;
    for (std::string line; std::getline(in, line);) {
        for (const char* start : {"SETUP", "ERROR", "SUCCESS", "*****", "VIDEOINPUT"}) {
            if (line.rfind(start, 0) == 0) {
                kept += line + "\n";
                break;
            }
        }
    }
    return kept;
}

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

TEST(startup_listing, a_menu_session_prints_the_librarys_lines_byte_for_byte) {
    // The start-up listing, then item 4 twice, each time with a request and the keys c and q.
    TempDir dir;
    test_support::write_file(dir.file("rk9t_color.dat"), "0,230,116,132\n1,230,116,132\n");
    ChildProcess tool(CONE_LOCATOR_BIN, args(dir));
    auto at = tool.wait_for_output(kMenuEnd);
    ASSERT_TRUE(at) << tool.output();
    const std::string open_both =
        kListing + setup(0, "Simulated Left Camera") + setup(1, "Simulated Right Camera");
    const std::string close_both =
        teardown(0, "Simulated Left Camera") + teardown(1, "Simulated Right Camera");
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        tool.send("4\n");
        at = tool.wait_for_output(open_both + "[q]キー", *at);
        ASSERT_TRUE(at) << tool.output();
        test_support::write_file(dir.file("req.tmp"), "min_pixnum,20\n");
        std::filesystem::rename(dir.file("req.tmp"), dir.file("req_file.dat"));
        ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt")));
        std::filesystem::remove(dir.file("notify.txt"));
        tool.send("c");
        at = tool.wait_for_output("Captured!!\n", *at);
        ASSERT_TRUE(at) << tool.output();
        tool.send("q");
        at = tool.wait_for_output(close_both + "\n*** 番号を選んで下さい ***\n", *at);
        ASSERT_TRUE(at) << tool.output();
    }
    tool.send("99\n");
    EXPECT_EQ(tool.wait_exit(), 0);
    // Nothing else of the library's in between, and nothing on the error stream.
    EXPECT_EQ(library_lines(tool.output()),
              library_lines(kListing + open_both + close_both + open_both + close_both));
    EXPECT_EQ(tool.error_output(), "");
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
