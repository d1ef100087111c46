#include <gtest/gtest.h>

#include <filesystem>
#include <opencv2/imgproc.hpp>

#include "sim/renderer.h"
#include "sim/scene.h"
#include "tests/app/mode_test_support.h"

namespace {

using mode_test::args;
using mode_test::kMenuEnd;
using test_support::ChildProcess;
using test_support::TempDir;

const std::string kHints =
    "[q]キーを押すと終了します。\n"
    "[c]キーを押すとファイルへセーブします。\n"
    "連続取り込みする場合は０より大きな数値を入力してください。\n";

// A noise-free scene, so every frame of the simulated camera is the same picture.
sim::Scene quiet_scene() {
    sim::Scene scene = sim::default_scene();
    scene.noise = 0;
    return scene;
}

std::vector<std::string> quiet_args(const TempDir& dir, std::vector<std::string> extra = {}) {
    test_support::write_file(dir.file("scene.txt"), sim::format_scene(quiet_scene()));
    extra.insert(extra.end(), {"--scene", dir.file("scene.txt")});
    return args(dir, extra);
}

// Starts item 3 with the given count line; returns the output offset after the key hints.
size_t start_preview(ChildProcess& p, const std::string& count_line, size_t from = 0) {
    p.send("3\n" + count_line);
    auto at = p.wait_for_output(kHints, from);
    EXPECT_TRUE(at);
    return at.value_or(0);
}

void quit_to_menu_and_exit(ChildProcess& p, size_t from) {
    p.send("q");
    EXPECT_TRUE(p.wait_for_output(kMenuEnd, from));
    p.send("99\n");
    EXPECT_EQ(p.wait_exit(), 0);
}

// One cone ahead, seen by the 640 x 480 camera and halved: in an upright picture its silhouette
// starts at its apex row with a few pixels and widens down to its base.
void expect_apex_above_base(const cv::Mat& saved) {
    ASSERT_EQ(saved.type(), CV_8UC1);
    const sim::Cone cone = quiet_scene().cones.front();
    cv::Mat cone_grey;
    cv::cvtColor(cv::Mat(1, 1, CV_8UC3, cv::Scalar(cone.color.b, cone.color.g, cone.color.r)), cone_grey,
                 cv::COLOR_BGR2GRAY);
    const sim::ConeTruth t = sim::project(cone, sim::View::single);
    ASSERT_TRUE(t.fully_in_view);
    const int x0 = static_cast<int>(t.min_col / 2) - 2, x1 = static_cast<int>(t.max_col / 2) + 2;
    const int y0 = static_cast<int>(t.min_row / 2) - 4, y1 = static_cast<int>(t.max_row / 2) + 4;
    std::vector<std::pair<int, int>> rows;  // row, cone pixels in it
    for (int y = std::max(y0, 0); y <= std::min(y1, saved.rows - 1); ++y) {
        const cv::Mat span = saved.row(y).colRange(std::max(x0, 0), std::min(x1, saved.cols - 1) + 1);
        const int n = cv::countNonZero(span == cone_grey.at<uint8_t>(0, 0));
        if (n > 0) rows.emplace_back(y, n);
    }
    ASSERT_GE(rows.size(), 6u) << "no cone where it stands";
    EXPECT_NEAR(rows.front().first, t.min_row / 2, 2.0);
    EXPECT_LT(rows[1].second, rows[rows.size() - 2].second) << "the cone stands on its apex";
}

TEST(camera_preview, key_c_saves_the_grey_picture_upright) {
    TempDir dir;
    ChildProcess p(CONE_LOCATOR_BIN, quiet_args(dir));
    const size_t from = start_preview(p, "0\n");
    p.send("c");
    ASSERT_TRUE(p.wait_for_output("Captured!!\n", from));
    EXPECT_TRUE(std::filesystem::exists(dir.file("notify.txt")));
    EXPECT_EQ(test_support::read_file(dir.file("notify.txt")), "");

    cv::Mat grey;
    cv::cvtColor(sim::render(quiet_scene(), sim::View::single, 0), grey, cv::COLOR_BGR2GRAY);
    cv::Mat expected(240, 320, CV_8UC1);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) expected.at<uint8_t>(y, x) = grey.at<uint8_t>(2 * y, 2 * x);
    cv::Mat upside_down;
    cv::flip(expected, upside_down, 0);
    ASSERT_FALSE(mode_test::same_pixels(expected, upside_down)) << "the scene must tell top from bottom";
    const cv::Mat saved = mode_test::read_picture(dir.file("rk9t_right.bmp"));
    EXPECT_TRUE(mode_test::same_pixels(saved, expected));
    expect_apex_above_base(saved);
    quit_to_menu_and_exit(p, from);
}

TEST(camera_preview, a_request_is_answered_with_the_picture_and_nothing_printed) {
    TempDir dir;
    ChildProcess p(CONE_LOCATOR_BIN, quiet_args(dir));
    const size_t from = start_preview(p, "0\n");
    test_support::write_file(dir.file("req_file.dat"), "");
    ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt")));
    ASSERT_TRUE(test_support::wait_for_no_file(dir.file("req_file.dat")));
    EXPECT_EQ(mode_test::read_picture(dir.file("rk9t_right.bmp")).size(), cv::Size(320, 240));
    EXPECT_EQ(test_support::read_file(dir.file("notify.txt")), "");
    quit_to_menu_and_exit(p, from);
    const std::string out = p.output();
    EXPECT_EQ(out.substr(from, out.find(kMenuEnd, from) - from).find("Captured!!"), std::string::npos);
}

TEST(camera_preview, a_series_of_two_saves_frames_zero_to_two) {
    TempDir dir;
    ChildProcess p(CONE_LOCATOR_BIN, quiet_args(dir));
    const size_t from = start_preview(p, "2\n");
    ASSERT_TRUE(p.wait_for_output(kHints + "0\n1\n2\n"));
    quit_to_menu_and_exit(p, from);
    int series = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        series += entry.path().filename().string().starts_with("gray_image_");
    EXPECT_EQ(series, 3);
    for (const char* name : {"gray_image_000000.bmp", "gray_image_000001.bmp", "gray_image_000002.bmp"}) {
        SCOPED_TRACE(name);
        expect_apex_above_base(mode_test::read_picture(dir.file(name)));
    }
}

TEST(camera_preview, no_series_for_zero_negative_or_text_and_upper_case_q_goes_on) {
    TempDir dir;
    ChildProcess p(CONE_LOCATOR_BIN, quiet_args(dir));
    size_t from = 0;
    for (const char* count_line : {"-1\n", "abc\n"}) {
        from = start_preview(p, count_line, from);
        p.send("Qc");  // Q is no key of the mode: the c after it is still served
        auto at = p.wait_for_output("Captured!!\n", from);
        ASSERT_TRUE(at);
        p.send("q");
        at = p.wait_for_output(kMenuEnd, *at);
        ASSERT_TRUE(at);
        from = *at;
    }
    p.send("99\n");
    EXPECT_EQ(p.wait_exit(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("gray_image_000000.bmp")));
}

TEST(camera_preview, a_stalled_camera_is_reported_and_the_menu_comes_back) {
    TempDir dir;
    ChildProcess p(CONE_LOCATOR_BIN, args(dir, {"--sim-stall-after", "3"}));
    const size_t from = start_preview(p, "0\n");
    auto at = p.wait_for_output("エラー！(camera_preview)カメラから画像を取得できませんでした。\n", from);
    ASSERT_TRUE(at);
    EXPECT_TRUE(p.wait_for_output(kMenuEnd, *at));
    p.send("99\n");
    EXPECT_EQ(p.wait_exit(), 0);
}

TEST(camera_preview, a_scene_file_that_cannot_be_loaded_stops_the_start) {
    TempDir dir;
    ChildProcess p(CONE_LOCATOR_BIN, args(dir, {"--scene", dir.file("missing.txt")}));
    EXPECT_EQ(p.wait_exit(), 2);
    EXPECT_NE(p.error_output().find("missing.txt"), std::string::npos);
    EXPECT_EQ(p.output(), "");
}

}  // namespace
