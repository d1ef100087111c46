// The precise mode's measures: the cone finder's sub-pixel centres and extents come from a
// candidate's colour-classified pixels before the filter, and the pairing and the location use
// them while everything the default mode prints stays as it was.

#include "recog/subpixel_measures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "platform/console.h"
#include "recog/corn_find.h"
#include "recog/location_report.h"
#include "recog/stereo_matching.h"
#include "tests/support/child_process.h"

namespace {

const cv::Vec3b kConeRed(132, 116, 230);  // blue, green, red

cv::Mat blank_frame() {
    return cv::Mat(recog::kFrameHeight, recog::kFrameWidth, CV_8UC3, cv::Scalar(96, 112, 96));
}

void fill(cv::Mat& frame, int x0, int y0, int w, int h) {
    frame(cv::Rect(x0, y0, w, h)).setTo(cv::Scalar(kConeRed[0], kConeRed[1], kConeRed[2]));
}

// An upright triangle: apex at (cx, top), rows top..top+h-1, row r spanning cx +- r/2 columns
// (r counted from the apex), so the top rows are too thin for the filter.
void triangle(cv::Mat& frame, int cx, int top, int h) {
    for (int r = 0; r < h; ++r) fill(frame, cx - r / 2, top + r, 2 * (r / 2) + 1, 1);
}

// Mean column and row and the extents of the cone-red pixels inside a rectangle of the frame.
recog::SubpixelArea pixels_in(const cv::Mat& frame, cv::Rect box) {
    double sx = 0, sy = 0;
    int n = 0, x0 = 1000, x1 = -1, y0 = 1000, y1 = -1;
    for (int y = box.y; y < box.y + box.height; ++y) {
        for (int x = box.x; x < box.x + box.width; ++x) {
            if (frame.at<cv::Vec3b>(y, x) != kConeRed) continue;
            sx += x, sy += y, ++n;
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    }
    return {sx / n, sy / n, double(x1 - x0 + 1), double(y1 - y0 + 1), n};
}

files::RecogParams red_params() {
    files::RecogParams p{};
    p.min_pixnum = 0;
    p.max_pixnum = 100000;
    p.color_th = 0.1f;
    const double m = std::sqrt(230.0 * 230 + 116.0 * 116 + 132.0 * 132);
    for (int cam = 0; cam < 2; ++cam) {
        p.colors.color_vec[cam][0][0] = static_cast<float>(230 / m);
        p.colors.color_vec[cam][0][1] = static_cast<float>(116 / m);
        p.colors.color_vec[cam][0][2] = static_cast<float>(132 / m);
        p.colors.color_num[cam] = 1;
    }
    return p;
}

struct Found {
    recog::ImageInfo info{};
    recog::AreaInfo candidates[recog::kMaxAreas]{};
    recog::SubpixelArea subpixel[recog::kMaxAreas]{};
    std::string out;
    cv::Mat binary;  // the picture the finder handed over
};

class SubpixelMeasures : public ::testing::Test {
protected:
    void SetUp() override { platform::set_console_encoding(platform::ConsoleEncoding::utf8); }

    std::unique_ptr<Found> find(cv::Mat frame, bool subpixel) {
        auto f = std::make_unique<Found>();
        platform::ConsoleRedirect redirect(&f->out);
        recog::corn_find(red_params(), frame, &f->info, f->candidates, 0, subpixel ? f->subpixel : nullptr,
                         [&f](const cv::Mat& binary) { f->binary = binary.clone(); });
        return f;
    }

};

TEST_F(SubpixelMeasures, centre_and_extents_of_the_colour_pixels_with_the_apex_the_filter_ate) {
    cv::Mat frame = blank_frame();
    triangle(frame, 80, 40, 30);
    fill(frame, 200, 100, 13, 8);
    const auto f = find(frame.clone(), true);
    ASSERT_EQ(f->info.area_num, 2);
    for (int i = 0; i < 2; ++i) {
        const recog::AreaInfo& a = f->candidates[i];
        const recog::SubpixelArea expected = pixels_in(
            frame, cv::Rect(a.min_x - 8, a.min_y - 8, a.max_x - a.min_x + 17, a.max_y - a.min_y + 17));
        const recog::SubpixelArea& m = f->subpixel[i];
        EXPECT_DOUBLE_EQ(m.cog_x, expected.cog_x) << i;
        EXPECT_DOUBLE_EQ(m.cog_y, expected.cog_y) << i;
        EXPECT_EQ(m.width, expected.width) << i;
        EXPECT_EQ(m.height, expected.height) << i;
        EXPECT_EQ(m.pixnum, expected.pixnum) << i;
    }
    // The triangle: all 30 rows count although the filter drops the thin apex rows.
    const int t = f->candidates[0].min_x < 150 ? 0 : 1;
    EXPECT_EQ(f->subpixel[t].height, 30);
    EXPECT_GT(f->candidates[t].min_y, 40);
    EXPECT_EQ(f->subpixel[1 - t].width, 13);
    EXPECT_EQ(f->subpixel[1 - t].height, 8);
    EXPECT_DOUBLE_EQ(f->subpixel[1 - t].cog_x, 206.0);
    EXPECT_DOUBLE_EQ(f->subpixel[1 - t].cog_y, 103.5);
}

// Colour pixels that the filter removed without a trace (stray pixels, a thin bridge) belong to no
// candidate; when one group of them overlaps two regions it goes to the larger overlap, and the
// other region, left without pixels, keeps its whole-pixel measures.
TEST_F(SubpixelMeasures, stray_pixels_and_split_groups) {
    cv::Mat frame = blank_frame();
    fill(frame, 50, 50, 20, 20);  // a large block ...
    fill(frame, 70, 60, 30, 1);   // ... a one-row bridge the filter removes ...
    fill(frame, 100, 58, 6, 6);   // ... and a small block at its other end
    fill(frame, 40, 45, 1, 1);    // a stray pixel near the large block's corner
    const auto f = find(frame.clone(), true);
    ASSERT_EQ(f->info.area_num, 2);
    const int big = f->candidates[0].pixnum > f->candidates[1].pixnum ? 0 : 1;
    const recog::SubpixelArea group = pixels_in(frame, cv::Rect(50, 50, 56, 20));
    EXPECT_DOUBLE_EQ(f->subpixel[big].cog_x, group.cog_x);
    EXPECT_DOUBLE_EQ(f->subpixel[big].cog_y, group.cog_y);
    EXPECT_EQ(f->subpixel[big].width, 56);
    const recog::AreaInfo& small = f->candidates[1 - big];
    EXPECT_EQ(f->subpixel[1 - big].pixnum, 0);
    EXPECT_EQ(f->subpixel[1 - big].cog_x, small.cog_x);
    EXPECT_EQ(f->subpixel[1 - big].cog_y, small.cog_y);
    EXPECT_EQ(f->subpixel[1 - big].width, small.max_x - small.min_x);
    EXPECT_EQ(f->subpixel[1 - big].height, small.max_y - small.min_y);
}

TEST_F(SubpixelMeasures, the_finder_prints_saves_and_finds_the_same_with_them) {
    cv::Mat frame = blank_frame();
    triangle(frame, 150, 60, 40);
    fill(frame, 20, 150, 9, 9);
    const auto plain = find(frame.clone(), false);
    const auto precise = find(frame.clone(), true);
    EXPECT_EQ(plain->out, precise->out);
    ASSERT_EQ(plain->binary.size(), precise->binary.size());
    EXPECT_EQ(cv::countNonZero(plain->binary != precise->binary), 0);
    ASSERT_EQ(plain->info.area_num, precise->info.area_num);
    for (int i = 0; i < plain->info.area_num; ++i)
        EXPECT_EQ(std::memcmp(&plain->candidates[i], &precise->candidates[i], sizeof(recog::AreaInfo)), 0)
            << i;
}

recog::AreaInfo box_area(int cx, int cy, int x0, int y0, int x1, int y1, int pixnum) {
    recog::AreaInfo a{};
    a.cog_x = cx, a.cog_y = cy, a.min_x = x0, a.min_y = y0, a.max_x = x1, a.max_y = y1, a.pixnum = pixnum;
    return a;
}

// Whole numbers through the sub-pixel road give the whole-pixel results; half a pixel more of
// disparity moves x as the camera model says.
TEST(subpixel_location, whole_numbers_agree_with_the_whole_pixel_road) {
    const recog::AreaInfo l = box_area(150, 100, 140, 80, 160, 120, 500);
    const recog::AreaInfo r = box_area(190, 92, 180, 72, 200, 112, 500);
    recog::CornLocation whole, sub;
    ASSERT_TRUE(recog::corn_locate_pair(l, r, &whole));
    ASSERT_TRUE(recog::corn_locate_pair(recog::SubpixelArea{150, 100, 20, 40, 1},
                                        recog::SubpixelArea{190, 92, 20, 40, 1}, &sub));
    EXPECT_EQ(whole.x, sub.x);
    EXPECT_EQ(whole.y, sub.y);
    EXPECT_EQ(whole.z, sub.z);
    EXPECT_EQ(whole.h, sub.h);
    EXPECT_EQ(whole.w, sub.w);

    ASSERT_TRUE(recog::corn_locate_pair(recog::SubpixelArea{150, 100.5, 21, 41, 1},
                                        recog::SubpixelArea{190.5, 92, 21, 41, 1}, &sub));
    EXPECT_DOUBLE_EQ(sub.x, 41300.0 / 33.5);
    EXPECT_DOUBLE_EQ(sub.z, 19.5 / 295.0 * sub.x);
    EXPECT_DOUBLE_EQ(sub.h, 41 / 295.0 * sub.x);
    EXPECT_DOUBLE_EQ(sub.w, 21 / 295.0 * sub.x);
}

// The column gate and the row difference see the sub-pixel centres: 16.4 columns fail the gate
// that 16 pass, and rows 0.9 apart count as the same row.
TEST(subpixel_matching, gate_and_rows_use_the_sub_pixel_centres) {
    recog::ImageInfo info[2]{};
    info[0].area_num = 1;
    info[1].area_num = 2;
    std::vector<recog::AreaInfo> areas(2 * recog::kMaxAreas);
    std::vector<recog::SubpixelArea> sub(2 * recog::kMaxAreas);
    areas[0] = box_area(116, 120, 110, 110, 122, 130, 200);
    areas[recog::kMaxAreas] = box_area(100, 112, 94, 102, 106, 122, 200);  // gate: 16 whole, 16.4 sub-pixel
    areas[recog::kMaxAreas + 1] = box_area(110, 115, 104, 105, 116, 125, 200);  // dy 3 whole, 2.2 sub-pixel
    sub[0] = {116.4, 120.9, 13, 21, 200};
    sub[recog::kMaxAreas] = {100.0, 112.0, 13, 21, 200};
    sub[recog::kMaxAreas + 1] = {110.0, 115.1, 13, 21, 200};
    int match[recog::kMaxAreas];
    recog::corn_stereo_matching(info, areas.data(), match);
    EXPECT_EQ(match[0], 0);
    recog::corn_stereo_matching(info, areas.data(), sub.data(), match);
    EXPECT_EQ(match[0], 1);
    EXPECT_DOUBLE_EQ(recog::stereo_rating(areas[0], areas[recog::kMaxAreas + 1], 116.4, 120.9, 110.0, 115.1),
                     12000.0);
    EXPECT_DOUBLE_EQ(recog::stereo_rating(areas[0], areas[recog::kMaxAreas], 116.4, 120.9, 100.5, 112.0),
                     24000.0);
    EXPECT_DOUBLE_EQ(recog::stereo_rating(areas[0], areas[recog::kMaxAreas + 1]), 8000.0);
}

}  // namespace
