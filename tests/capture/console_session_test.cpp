// A whole menu session of cone-locator on the simulated rig prints the capture library's lines
// byte for byte: the start-up listing, then item 4 twice (each time a request and the keys c and q).

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

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

TEST(console_session, prints_the_librarys_lines_byte_for_byte) {
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

}  // namespace
