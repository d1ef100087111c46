#include <gtest/gtest.h>

#include <filesystem>
#include <opencv2/imgproc.hpp>

#include "sim/renderer.h"
#include "sim/scene.h"
#include "tests/app/mode_test_support.h"

namespace {

using mode_test::args;
using test_support::ChildProcess;
using test_support::TempDir;

// Runs item 6 once and returns what it printed.
std::string run_edge_test(const TempDir& dir) {
    ChildProcess p(CONE_LOCATOR_BIN, args(dir));
    p.send("6\n");
    EXPECT_TRUE(p.wait_for_output("出力ファイル：" + dir.file("rk9t_work.bmp") + "\n"));
    p.send("99\n");
    EXPECT_EQ(p.wait_exit(), 0);
    return p.output();
}

cv::Mat sobel_x(const cv::Mat& grey) {
    cv::Mat s16, s8;
    cv::Sobel(grey, s16, CV_16S, 1, 0, 3);
    cv::convertScaleAbs(s16, s8, 1.0, 0.0);
    return s8;
}

TEST(edge_extraction_mode, a_colour_picture_gives_its_absolute_sobel_x) {
    TempDir dir;
    sim::Scene scene = sim::default_scene();
    scene.noise = 0;
    const cv::Mat picture = sim::render(scene, sim::View::right);
    ASSERT_TRUE(cv::imwrite(dir.file("rk9t_right.bmp"), picture));
    const std::string out = run_edge_test(dir);
    EXPECT_NE(out.find("入力ファイル：" + dir.file("rk9t_right.bmp") + "\n出力ファイル："),
              std::string::npos);
    EXPECT_EQ(out.find("警告："), std::string::npos);

    cv::Mat grey;
    cv::cvtColor(picture, grey, cv::COLOR_BGR2GRAY);
    const cv::Mat edges = mode_test::read_picture(dir.file("rk9t_work.bmp"));
    ASSERT_EQ(edges.size(), cv::Size(320, 240));
    EXPECT_TRUE(mode_test::same_pixels(edges, sobel_x(grey)));
    EXPECT_GT(cv::countNonZero(edges), 0);  // the cones' sides
}

TEST(edge_extraction_mode, without_a_picture_it_says_so_and_still_names_both_files) {
    TempDir dir;
    const std::string out = run_edge_test(dir);
    EXPECT_NE(out.find("画像が見つかりません\n入力ファイル：" + dir.file("rk9t_right.bmp") +
                       "\n出力ファイル：" + dir.file("rk9t_work.bmp") + "\n"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("rk9t_work.bmp")));
}

TEST(edge_extraction_mode, a_grey_picture_of_the_live_preview_is_used_as_it_is) {
    TempDir dir;
    cv::Mat grey(240, 320, CV_8UC1, cv::Scalar(20));
    cv::rectangle(grey, cv::Rect(100, 50, 60, 120), cv::Scalar(200), cv::FILLED);
    ASSERT_TRUE(cv::imwrite(dir.file("rk9t_right.bmp"), grey));
    const std::string out = run_edge_test(dir);
    EXPECT_NE(out.find("警告：(edge_extraction_test)"), std::string::npos);
    const cv::Mat edges = mode_test::read_picture(dir.file("rk9t_work.bmp"));
    EXPECT_TRUE(mode_test::same_pixels(edges, sobel_x(grey)));
    EXPECT_EQ(edges.at<uint8_t>(100, 100), 255);  // the rectangle's left side
}

}  // namespace
