// The command line of cone-locator as a user meets it: the version, a mistyped command, and the
// options given after the command.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "tests/app/mode_test_support.h"
#include "tests/app/service_test_support.h"

namespace {

using test_support::ChildProcess;
using test_support::TempDir;

const std::string kServiceHints = "[t]キーを押すとテスト動作を実行します。\n";

TEST(cone_locator_command_line, version_and_a_mistyped_command) {
    {
        ChildProcess p(CONE_LOCATOR_BIN, {"--version"});
        EXPECT_EQ(p.wait_exit(), 0);
        const std::string out = p.output();
        EXPECT_EQ(out.rfind("cone-locator ", 0), 0u) << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    }
    {
        ChildProcess p(CONE_LOCATOR_BIN, {"srve", "--camera", "sim"});
        EXPECT_EQ(p.wait_exit(), 2);
        EXPECT_EQ(p.error_output(),
                  "cone-locator: unknown command 'srve' (did you mean serve?); see cone-locator --help\n");
        EXPECT_EQ(p.output(), "");
    }
    {
        ChildProcess p(CONE_LOCATOR_BIN, {"serve", "--help"});
        EXPECT_EQ(p.wait_exit(), 0);
        EXPECT_EQ(p.output().rfind("Usage: cone-locator [OPTIONS] serve\n", 0), 0u) << p.output();
    }
}

TEST(cone_locator_command_line, serve_takes_the_options_after_the_command) {
    TempDir dir;
    const sim::Scene scene = service_test::three_cones();
    test_support::write_file(dir.file("scene.txt"), sim::format_scene(scene));
    test_support::write_file(dir.file("rk9t_color.dat"), service_test::kColorTable);
    ChildProcess p(CONE_LOCATOR_BIN, {"serve", "--camera", "sim", "--headless", "--encoding=utf-8",
                                      "--work-dir=" + dir.path(), "--scene=" + dir.file("scene.txt")});
    ASSERT_TRUE(p.wait_for_output(kServiceHints)) << p.error_output();
    service_test::write_request(dir.path());
    ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt")));
    service_test::expect_report_matches(test_support::read_file(dir.file("report.txt")), scene);
    p.send_signal(SIGTERM);
    EXPECT_EQ(p.wait_exit(), 0);
    EXPECT_EQ(p.error_output(), "");
}

}  // namespace
