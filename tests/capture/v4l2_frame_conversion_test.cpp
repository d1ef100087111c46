// Frames of the camera's own pixel formats turned into bottom-up BGR rows: the conversion the V4L2
// back end does when the device layer hands over something else.

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <vector>

#include "capture/media/v4l2/frame_conversion.h"

namespace media {
namespace {

TEST(v4l2_frame_conversion, short_frames_and_unknown_formats_are_refused) {
    std::vector<uint8_t> raw(4 * 2 * 3, 7);
    std::vector<uint8_t> out(4 * 2 * 3);
    cv::Mat scratch;
    EXPECT_TRUE(v4l2::convert_to_bottom_up_bgr(V4L2_PIX_FMT_BGR24, raw.data(), raw.size(), 4, 2, 12,
                                               out.data(), scratch));
    EXPECT_FALSE(v4l2::convert_to_bottom_up_bgr(V4L2_PIX_FMT_BGR24, raw.data(), raw.size() - 1, 4, 2, 12,
                                                out.data(), scratch));
    EXPECT_FALSE(v4l2::convert_to_bottom_up_bgr(V4L2_PIX_FMT_BGR24, raw.data(), raw.size(), 4, 2, 11,
                                                out.data(), scratch))
        << "lines can't overlap";
    EXPECT_FALSE(v4l2::convert_to_bottom_up_bgr(V4L2_PIX_FMT_YUYV, raw.data(), raw.size(), 3, 2, 6,
                                                out.data(), scratch))
        << "YUYV pairs pixels";
    EXPECT_FALSE(v4l2::convert_to_bottom_up_bgr(V4L2_PIX_FMT_MJPEG, raw.data(), raw.size(), 4, 2, 0,
                                                out.data(), scratch))
        << "not a JPEG picture";
    EXPECT_FALSE(v4l2::can_convert_to_bgr(v4l2_fourcc('H', '2', '6', '4')));
}

TEST(v4l2_frame_conversion, jpeg_frames_are_decoded_at_their_size_and_turned_bottom_up) {
    // Top half red, bottom half blue: plain colours survive the compression nearly unchanged.
    cv::Mat picture(16, 16, CV_8UC3, cv::Scalar(255, 0, 0));
    picture.rowRange(0, 8).setTo(cv::Scalar(0, 0, 255));
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(cv::imencode(".jpg", picture, jpeg, {cv::IMWRITE_JPEG_QUALITY, 100}));
    std::vector<uint8_t> out(16 * 16 * 3);
    cv::Mat scratch;
    ASSERT_TRUE(v4l2::convert_to_bottom_up_bgr(V4L2_PIX_FMT_MJPEG, jpeg.data(), jpeg.size(), 16, 16, 0,
                                               out.data(), scratch));
    cv::Mat result(16, 16, CV_8UC3, out.data());
    cv::Vec3b first = result.at<cv::Vec3b>(0, 0);   // bottom line of the picture: blue
    cv::Vec3b last = result.at<cv::Vec3b>(15, 15);  // top line: red
    EXPECT_GT(first[0], 240);
    EXPECT_LT(first[2], 15);
    EXPECT_GT(last[2], 240);
    EXPECT_LT(last[0], 15);
    // A frame of another size than the format's is not passed on.
    EXPECT_FALSE(v4l2::convert_to_bottom_up_bgr(V4L2_PIX_FMT_MJPEG, jpeg.data(), jpeg.size(), 8, 8, 0,
                                                out.data(), scratch));
}

TEST(v4l2_frame_conversion, rgb_and_grey_come_out_as_bgr_rows_bottom_up) {
    // Two lines of two pixels: RGB bytes line 0 = 1 2 3 4 5 6, line 1 = 7 8 9 10 11 12.
    const uint8_t rgb[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    uint8_t out[12] = {};
    cv::Mat scratch;
    ASSERT_TRUE(v4l2::convert_to_bottom_up_bgr(V4L2_PIX_FMT_RGB24, rgb, 12, 2, 2, 6, out, scratch));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 12),
              (std::vector<uint8_t>{9, 8, 7, 12, 11, 10, 3, 2, 1, 6, 5, 4}));

    const uint8_t grey[4] = {10, 20, 30, 40};
    ASSERT_TRUE(v4l2::convert_to_bottom_up_bgr(V4L2_PIX_FMT_GREY, grey, 4, 2, 2, 2, out, scratch));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 12),
              (std::vector<uint8_t>{30, 30, 30, 40, 40, 40, 10, 10, 10, 20, 20, 20}));
}

}  // namespace
}  // namespace media
