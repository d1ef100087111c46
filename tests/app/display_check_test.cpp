// A display that is set but can't be used: the modes and the service run without windows, with
// one line saying so, instead of the window toolkit aborting the process.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "tests/app/mode_test_support.h"

namespace {

using mode_test::kMenuEnd;
using test_support::ChildProcess;
using test_support::TempDir;

const std::string kServiceHints = "[t]キーを押すとテスト動作を実行します。\n";

// An X display number no server listens on here.
std::string absent_display() {
    for (int n = 173;; ++n) {
        if (!std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n))) return ":" + std::to_string(n);
    }
}

// The environments without a usable display, and the line each must give.
std::vector<std::pair<std::vector<std::string>, std::string>> unusable_displays() {
    const std::string x = absent_display();
    return {
        {{"DISPLAY=" + x, "WAYLAND_DISPLAY="},
         "the display " + x + " can't be opened: no windows, keys are read from standard input\n"},
        {{"DISPLAY=", "WAYLAND_DISPLAY=wayland-9"},
         "a Wayland session without an X display (DISPLAY is not set): no windows, keys are read from "
         "standard input\n"},
    };
}

// Without --headless: the display decides.
std::vector<std::string> windowed_args(const TempDir& dir, std::vector<std::string> extra = {}) {
    std::vector<std::string> a{"--camera", "sim", "--encoding", "utf-8", "--work-dir", dir.path()};
    a.insert(a.end(), extra.begin(), extra.end());
    return a;
}

TEST(display_check, serve_runs_headless_with_one_line) {
    for (const auto& [env, line] : unusable_displays()) {
        SCOPED_TRACE(env[0] + " " + env[1]);
        TempDir dir;
        ChildProcess p(CONE_LOCATOR_BIN, windowed_args(dir, {"serve"}), env);
        ASSERT_TRUE(p.wait_for_output(kServiceHints)) << p.error_output();
        p.send("q");
        EXPECT_EQ(p.wait_exit(), 0);
        EXPECT_EQ(p.error_output(), line);
    }
}

TEST(display_check, the_menu_items_with_windows_run_headless_with_one_line) {
    const auto cases = unusable_displays();
    const auto& [env, line] = cases.front();
    TempDir dir;
    ChildProcess p(CONE_LOCATOR_BIN, windowed_args(dir), env);
    auto at = p.wait_for_output(kMenuEnd);
    ASSERT_TRUE(at);
    p.send("3\n0\n");  // the live preview, no series
    at = p.wait_for_output("連続取り込みする場合は０より大きな数値を入力してください。\n", *at);
    ASSERT_TRUE(at);
    p.send("c");
    at = p.wait_for_output("Captured!!\n", *at);
    ASSERT_TRUE(at);
    p.send("q");
    at = p.wait_for_output(kMenuEnd, *at);
    ASSERT_TRUE(at);
    p.send("4\n");  // the stereo service
    at = p.wait_for_output(kServiceHints, *at);
    ASSERT_TRUE(at);
    p.send("q");
    at = p.wait_for_output(kMenuEnd, *at);
    ASSERT_TRUE(at);
    p.send("99\n");
    EXPECT_EQ(p.wait_exit(), 0);
    EXPECT_EQ(p.error_output(), line);
}

}  // namespace
