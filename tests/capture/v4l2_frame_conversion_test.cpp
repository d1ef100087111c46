// Frames of the cameras' own pixel formats turned into bottom-up BGR rows: every format a V4L2
// camera may deliver, checked against colours known beforehand, and frames that must be refused.

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <cstdlib>
#include <vector>

#include "capture/v4l2/frame_conversion.h"
#include "tests/capture/fake_v4l2.h"

namespace capture_test {
namespace {

using capture::ConversionScratch;
using capture::convert_to_bottom_up_bgr;

// A 4 x 4 picture of four 2 x 2 quadrants, as BT.601 (limited range) YUV and as BGR: top left
// red, top right green, bottom left blue, bottom right white.
struct Colour {
    uint8_t y, u, v, b, g, r;
};
constexpr Colour kRed{81, 90, 240, 0, 0, 255}, kGreen{145, 54, 34, 0, 255, 0}, kBlue{41, 240, 110, 255, 0, 0},
    kWhite{235, 128, 128, 255, 255, 255};
const Colour& colour_at(int x, int y) {
    if (y < 2) return x < 2 ? kRed : kGreen;
    return x < 2 ? kBlue : kWhite;
}

// The picture in one of the layouts (rows top-down, no padding).
std::vector<uint8_t> encode(uint32_t pixel_format) {
    std::vector<uint8_t> out;
    switch (pixel_format) {
        case V4L2_PIX_FMT_YUYV:
        case V4L2_PIX_FMT_UYVY:
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 4; x += 2) {
                    const Colour& c = colour_at(x, y);
                    if (pixel_format == V4L2_PIX_FMT_YUYV) {
                        out.insert(out.end(), {c.y, c.u, c.y, c.v});
                    } else {
                        out.insert(out.end(), {c.u, c.y, c.v, c.y});
                    }
                }
            }
            return out;
        case V4L2_PIX_FMT_YUV420:
        case V4L2_PIX_FMT_NV12:
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x) out.push_back(colour_at(x, y).y);
            if (pixel_format == V4L2_PIX_FMT_YUV420) {
                for (int y = 0; y < 4; y += 2)
                    for (int x = 0; x < 4; x += 2) out.push_back(colour_at(x, y).u);
                for (int y = 0; y < 4; y += 2)
                    for (int x = 0; x < 4; x += 2) out.push_back(colour_at(x, y).v);
            } else {
                for (int y = 0; y < 4; y += 2)
                    for (int x = 0; x < 4; x += 2)
                        out.insert(out.end(), {colour_at(x, y).u, colour_at(x, y).v});
            }
            return out;
        default:  // RGB24, BGR24
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 4; ++x) {
                    const Colour& c = colour_at(x, y);
                    if (pixel_format == V4L2_PIX_FMT_RGB24) {
                        out.insert(out.end(), {c.r, c.g, c.b});
                    } else {
                        out.insert(out.end(), {c.b, c.g, c.r});
                    }
                }
            }
            return out;
    }
}

// Whether the converted frame shows the picture bottom-up, each channel within `tolerance`.
::testing::AssertionResult shows_picture(const std::vector<uint8_t>& bgr, int tolerance) {
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const Colour& c = colour_at(x, 3 - y);  // the first row out is the picture's last
            const uint8_t* p = bgr.data() + (y * 4 + x) * 3;
            if (std::abs(p[0] - c.b) > tolerance || std::abs(p[1] - c.g) > tolerance ||
                std::abs(p[2] - c.r) > tolerance)
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << int{p[0]}
                                                     << " " << int{p[1]} << " " << int{p[2]};
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(v4l2_frame_conversion, every_raw_format_comes_out_as_the_pictures_bgr_rows_bottom_up) {
    const std::pair<uint32_t, int> formats[] = {{V4L2_PIX_FMT_YUYV, 8},   {V4L2_PIX_FMT_UYVY, 8},
                                                {V4L2_PIX_FMT_YUV420, 4}, {V4L2_PIX_FMT_NV12, 4},
                                                {V4L2_PIX_FMT_RGB24, 12}, {V4L2_PIX_FMT_BGR24, 12}};
    ConversionScratch scratch;
    for (const auto& [format, stride] : formats) {
        SCOPED_TRACE(format);
        const std::vector<uint8_t> raw = encode(format);
        std::vector<uint8_t> out(48, 0x77);
        ASSERT_TRUE(capture::can_convert_to_bgr(format));
        ASSERT_TRUE(
            convert_to_bottom_up_bgr(format, raw.data(), raw.size(), 4, 4, stride, out.data(), scratch));
        EXPECT_TRUE(shows_picture(out, 3));
    }
}

TEST(v4l2_frame_conversion, grey_and_padded_lines) {
    // Two lines of two pixels, three bytes of padding after each.
    const uint8_t grey[10] = {10, 20, 0xEE, 0xEE, 0xEE, 30, 40, 0xEE, 0xEE, 0xEE};
    uint8_t out[12] = {};
    ConversionScratch scratch;
    ASSERT_TRUE(convert_to_bottom_up_bgr(V4L2_PIX_FMT_GREY, grey, 8, 2, 2, 5, out, scratch))
        << "last padding not needed";
    EXPECT_EQ(std::vector<uint8_t>(out, out + 12),
              (std::vector<uint8_t>{30, 30, 30, 40, 40, 40, 10, 10, 10, 20, 20, 20}));
}

TEST(v4l2_frame_conversion, jpeg_frames_are_decoded_at_their_size_and_turned_bottom_up) {
    // Top half as the red/blue picture, bottom half black: plain colours survive compression.
    std::vector<uint8_t> picture = jpeg_picture(16, 16);
    std::fill(picture.begin() + 8 * 16 * 3, picture.end(), 0);
    const std::vector<uint8_t> jpeg = jpeg_bytes(picture, 16, 16);
    ASSERT_FALSE(jpeg.empty());
    std::vector<uint8_t> out(16 * 16 * 3);
    ConversionScratch scratch;
    ASSERT_TRUE(convert_to_bottom_up_bgr(V4L2_PIX_FMT_MJPEG, jpeg.data(), jpeg.size(), 16, 16, 0, out.data(),
                                         scratch));
    auto at = [&](int x, int y) { return out.data() + (y * 16 + x) * 3; };
    EXPECT_LT(at(2, 2)[2], 30) << "the first row out is the picture's last: black";
    EXPECT_GT(at(2, 13)[2], 200) << "top left: red";
    EXPECT_LT(at(2, 13)[0], 40);
    EXPECT_GT(at(13, 13)[0], 200) << "top right: blue";
    EXPECT_LT(at(13, 13)[2], 40);
}

TEST(v4l2_frame_conversion, short_damaged_and_unknown_frames_are_refused) {
    std::vector<uint8_t> raw(4 * 2 * 3, 7);
    std::vector<uint8_t> out(16 * 16 * 3);
    ConversionScratch scratch;
    EXPECT_FALSE(convert_to_bottom_up_bgr(V4L2_PIX_FMT_BGR24, raw.data(), raw.size() - 1, 4, 2, 12,
                                          out.data(), scratch));
    EXPECT_FALSE(
        convert_to_bottom_up_bgr(V4L2_PIX_FMT_BGR24, raw.data(), raw.size(), 4, 2, 11, out.data(), scratch))
        << "lines can't overlap";
    EXPECT_FALSE(
        convert_to_bottom_up_bgr(V4L2_PIX_FMT_YUYV, raw.data(), raw.size(), 3, 2, 6, out.data(), scratch))
        << "YUYV pairs pixels";
    EXPECT_FALSE(convert_to_bottom_up_bgr(V4L2_PIX_FMT_NV12, raw.data(), 23, 4, 4, 4, out.data(), scratch));
    EXPECT_FALSE(
        convert_to_bottom_up_bgr(V4L2_PIX_FMT_MJPEG, raw.data(), raw.size(), 4, 2, 0, out.data(), scratch))
        << "not a JPEG picture";
    EXPECT_FALSE(capture::can_convert_to_bgr(v4l2_fourcc('H', '2', '6', '4')));
    EXPECT_FALSE(convert_to_bottom_up_bgr(v4l2_fourcc('H', '2', '6', '4'), raw.data(), raw.size(), 4, 2, 12,
                                          out.data(), scratch));

    const std::vector<uint8_t> jpeg = jpeg_bytes(jpeg_picture(16, 16), 16, 16);
    EXPECT_FALSE(convert_to_bottom_up_bgr(V4L2_PIX_FMT_MJPEG, jpeg.data(), jpeg.size() / 2, 16, 16, 0,
                                          out.data(), scratch))
        << "cut short";
    EXPECT_FALSE(
        convert_to_bottom_up_bgr(V4L2_PIX_FMT_MJPEG, jpeg.data(), jpeg.size(), 8, 8, 0, out.data(), scratch))
        << "another size than the format's";
    EXPECT_TRUE(convert_to_bottom_up_bgr(V4L2_PIX_FMT_MJPEG, jpeg.data(), jpeg.size(), 16, 16, 0, out.data(),
                                         scratch))
        << "and the decoder still works after damaged frames";
}

}  // namespace
}  // namespace capture_test
