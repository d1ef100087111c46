#include "app/picture_conversion.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace {

TEST(frame_to_grey_picture, camera_frame_becomes_grey_taking_every_second_pixel) {
    cv::Mat frame(480, 640, CV_8UC3);
    cv::randu(frame, 0, 256);
    cv::Mat full, small;
    ASSERT_TRUE(app::frame_to_grey_picture(frame, full, small));
    ASSERT_EQ(full.type(), CV_8UC1);
    ASSERT_EQ(small.size(), cv::Size(320, 240));
    // Known grey levels of the pure primaries (0.114 B + 0.587 G + 0.299 R, rounded).
    cv::Mat primaries(1, 3, CV_8UC3);
    primaries.at<cv::Vec3b>(0, 0) = {255, 0, 0};
    primaries.at<cv::Vec3b>(0, 1) = {0, 255, 0};
    primaries.at<cv::Vec3b>(0, 2) = {0, 0, 255};
    cv::Mat p_full, p_small;
    ASSERT_TRUE(app::frame_to_grey_picture(primaries, p_full, p_small));
    EXPECT_EQ(p_full.at<uint8_t>(0, 0), 29);
    EXPECT_EQ(p_full.at<uint8_t>(0, 1), 150);
    EXPECT_EQ(p_full.at<uint8_t>(0, 2), 76);
    // Nearest neighbour, not an average: each small pixel is the full pixel at twice its place.
    int mismatches = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) mismatches += small.at<uint8_t>(y, x) != full.at<uint8_t>(2 * y, 2 * x);
    EXPECT_EQ(mismatches, 0);
}

TEST(frame_to_grey_picture, grey_four_channel_and_deep_frames_of_any_size_become_320x240) {
    cv::Mat full, small;
    ASSERT_TRUE(app::frame_to_grey_picture(cv::Mat(720, 1280, CV_8UC1, cv::Scalar(77)), full, small));
    EXPECT_EQ(small.size(), cv::Size(320, 240));
    EXPECT_EQ(cv::countNonZero(small != 77), 0);

    ASSERT_TRUE(
        app::frame_to_grey_picture(cv::Mat(120, 160, CV_8UC4, cv::Scalar(0, 255, 0, 9)), full, small));
    EXPECT_EQ(small.size(), cv::Size(320, 240));
    EXPECT_EQ(small.type(), CV_8UC1);
    EXPECT_EQ(cv::countNonZero(small != 150), 0);  // the alpha channel plays no part

    ASSERT_TRUE(app::frame_to_grey_picture(cv::Mat(240, 320, CV_16UC1, cv::Scalar(65535)), full, small));
    EXPECT_EQ(cv::countNonZero(small != 255), 0);
}

TEST(frame_to_grey_picture, unusable_frames_are_refused) {
    cv::Mat full, small;
    EXPECT_FALSE(app::frame_to_grey_picture(cv::Mat(), full, small));
    EXPECT_FALSE(app::frame_to_grey_picture(cv::Mat(480, 640, CV_8UC2, cv::Scalar(1, 2)), full, small));
}

TEST(to_bgr8, grey_is_spread_to_three_equal_channels) {
    cv::Mat bgr;
    ASSERT_TRUE(app::to_bgr8(cv::Mat(2, 2, CV_8UC1, cv::Scalar(93)), bgr));
    ASSERT_EQ(bgr.type(), CV_8UC3);
    EXPECT_EQ(bgr.at<cv::Vec3b>(1, 1), cv::Vec3b(93, 93, 93));
}

}  // namespace
