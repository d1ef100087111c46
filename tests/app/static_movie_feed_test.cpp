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

const std::string kHints = "[q]キーを押すと終了します。\n[n]キーを押すと次の画像。\n";

// One cone in the cone colour, 500 units ahead at the given sideways place, no noise.
sim::Scene one_cone(double sideways) {
    sim::Scene scene;
    scene.cones.push_back(sim::Cone{500, sideways, 0});
    return scene;
}

// Writes still number n into the sequence folder.
void write_still(const TempDir& dir, int n, const cv::Mat& picture) {
    std::filesystem::create_directories(dir.file("static_movie/red_corn2"));
    char name[64];
    std::snprintf(name, sizeof name, "static_movie/red_corn2/capt3_%05d.bmp", n);
    ASSERT_TRUE(cv::imwrite(dir.file(name), picture));
}

// Mask value at the centre of the cone of the scene in the 320 x 240 picture.
int mask_at_cone(const cv::Mat& mask, const sim::Scene& scene, sim::View view = sim::View::left) {
    const sim::ConeTruth t = sim::project(scene.cones.at(0), view);
    const double scale = view == sim::View::single ? 0.5 : 1.0;
    return mask.at<uint8_t>(static_cast<int>(t.row * scale + 0.5), static_cast<int>(t.col * scale + 0.5));
}

// Plays the training tool once: request, wait for the answer, take the mask, clear the notify file.
cv::Mat request_mask(const TempDir& dir) {
    test_support::write_file(dir.file("req_file.dat"), "");
    EXPECT_TRUE(test_support::wait_for_file(dir.file("notify.txt")));
    EXPECT_TRUE(test_support::wait_for_no_file(dir.file("req_file.dat")));
    cv::Mat mask = mode_test::read_picture(dir.file("rk9t_right.bmp"));
    std::filesystem::remove(dir.file("notify.txt"));
    return mask;
}

// Waits for the menu after the mode's hints, then quits the tool.
void back_to_menu_and_exit(ChildProcess& p) {
    const auto hints = p.wait_for_output(kHints);
    ASSERT_TRUE(hints);
    EXPECT_TRUE(p.wait_for_output(kMenuEnd, *hints));
    p.send("99\n");
    EXPECT_EQ(p.wait_exit(), 0);
}

TEST(static_movie_feed, three_requests_answer_stills_534_539_544_and_549_ends_the_mode) {
    TempDir dir;
    const std::vector<double> sideways{100, 0, -100};  // stills 534, 539, 544
    for (int k = 0; k < 3; ++k)
        write_still(dir, 534 + 5 * k, sim::render(one_cone(sideways[k]), sim::View::left));
    // Numbers off the step, and one after the gap, must never be read.
    for (int n : {535, 538, 540, 554}) write_still(dir, n, sim::render(one_cone(-200), sim::View::left));

    ChildProcess p(CONE_LOCATOR_BIN, args(dir));
    p.send("7\n");
    ASSERT_TRUE(p.wait_for_output(kHints));
    for (int k = 0; k < 3; ++k) {
        const cv::Mat mask = request_mask(dir);
        ASSERT_EQ(mask.size(), cv::Size(320, 240));
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(mask_at_cone(mask, one_cone(sideways[j])), j == k ? 255 : 0) << k;
        EXPECT_EQ(mask_at_cone(mask, one_cone(-200)), 0) << k;
    }
    back_to_menu_and_exit(p);
    EXPECT_EQ(mode_test::count(p.output(), " get_area_info\n"), 3);
}

TEST(static_movie_feed, a_waiting_request_is_answered_in_the_first_pass) {
    TempDir dir;
    write_still(dir, 534, sim::render(one_cone(100), sim::View::left));
    write_still(dir, 539, sim::render(one_cone(-100), sim::View::left));
    test_support::write_file(dir.file("req_file.dat"), "");
    ChildProcess p(CONE_LOCATOR_BIN, args(dir));
    p.send("7\nn");  // had the first pass missed the request, this n would skip still 534
    ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt")));
    ASSERT_TRUE(test_support::wait_for_no_file(dir.file("req_file.dat")));
    const cv::Mat mask = mode_test::read_picture(dir.file("rk9t_right.bmp"));
    EXPECT_EQ(mask_at_cone(mask, one_cone(100)), 255);
    EXPECT_EQ(mask_at_cone(mask, one_cone(-100)), 0);
    p.send("q");
    back_to_menu_and_exit(p);
}

TEST(static_movie_feed, only_regions_above_64_pixels_of_the_cone_colour_enter_the_mask) {
    TempDir dir;
    cv::Mat still = sim::render(sim::Scene{}, sim::View::left);       // background only
    const cv::Scalar cone(132, 116, 230);                             // blue, green, red
    cv::rectangle(still, cv::Rect(40, 40, 8, 8), cone, cv::FILLED);   // 64 pixels
    cv::rectangle(still, cv::Rect(100, 40, 8, 8), cone, cv::FILLED);  // 64 pixels ...
    still.at<cv::Vec3b>(43, 108) = cv::Vec3b(132, 116, 230);          // ... and one more
    cv::rectangle(still, cv::Rect(160, 40, 10, 10), cv::Scalar(0, 0, 0), cv::FILLED);
    cv::rectangle(still, cv::Rect(220, 40, 10, 10), cv::Scalar(66, 58, 115), cv::FILLED);  // half as bright
    write_still(dir, 534, still);

    ChildProcess p(CONE_LOCATOR_BIN, args(dir));
    p.send("7\n");
    const cv::Mat mask = request_mask(dir);
    ASSERT_EQ(mask.type(), CV_8UC1);
    EXPECT_EQ(cv::countNonZero(mask(cv::Rect(40, 40, 8, 8))), 0);
    EXPECT_EQ(cv::countNonZero(mask(cv::Rect(100, 40, 8, 8))), 64);
    EXPECT_EQ(mask.at<uint8_t>(43, 108), 255);
    EXPECT_EQ(cv::countNonZero(mask(cv::Rect(160, 40, 10, 10))), 0);  // black has no colour
    EXPECT_EQ(cv::countNonZero(mask(cv::Rect(220, 40, 10, 10))), 100);
    EXPECT_EQ(cv::countNonZero(mask), 65 + 100);
    back_to_menu_and_exit(p);
}

TEST(static_movie_feed, key_n_moves_on_without_answering) {
    TempDir dir;
    write_still(dir, 534, sim::render(one_cone(100), sim::View::left));
    write_still(dir, 539, sim::render(one_cone(0), sim::View::left));
    ChildProcess p(CONE_LOCATOR_BIN, args(dir));
    p.send("7\n");
    ASSERT_TRUE(p.wait_for_output(kHints));
    const auto first = p.wait_for_output(" get_area_info\n");
    ASSERT_TRUE(first);
    p.send("n");
    ASSERT_TRUE(p.wait_for_output(" get_area_info\n", *first));  // still 539
    p.send("n");
    back_to_menu_and_exit(p);
    EXPECT_FALSE(std::filesystem::exists(dir.file("rk9t_right.bmp")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("notify.txt")));
}

TEST(static_movie_feed, stills_of_another_size_or_grey_are_converted) {
    TempDir dir;
    write_still(dir, 534, sim::render(one_cone(0), sim::View::single));  // 640 x 480
    cv::Mat grey;
    cv::cvtColor(sim::render(one_cone(0), sim::View::left), grey, cv::COLOR_BGR2GRAY);
    write_still(dir, 539, grey);
    ChildProcess p(CONE_LOCATOR_BIN, args(dir));
    p.send("7\n");
    const cv::Mat mask = request_mask(dir);
    EXPECT_EQ(mask_at_cone(mask, one_cone(0), sim::View::single), 255);
    EXPECT_EQ(mode_test::read_picture(dir.file("rk9t_right.bmp")).size(), cv::Size(320, 240));
    EXPECT_EQ(cv::countNonZero(request_mask(dir)), 0);  // grey has no cone colour
    back_to_menu_and_exit(p);
    EXPECT_EQ(mode_test::count(p.output(), "警告：(static_movie_feed)"), 2);
    EXPECT_NE(p.output().find("640 x 480、3チャンネル 8ビット"), std::string::npos);
}

}  // namespace
