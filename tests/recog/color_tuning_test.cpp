// Colour tuning on small synthetic pictures: which colours come into the table, what the
// threshold separates, and how box and background pixels are counted.

#include "recog/color_tuning.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <opencv2/core.hpp>

namespace {

// Colours as red, green, blue.
struct Colour {
    int r, g, b;
    cv::Scalar bgr() const { return cv::Scalar(b, g, r); }
};

const Colour kBackground{96, 112, 96};
const Colour kOrange{240, 140, 60};
const Colour kDarkRed{120, 22, 28};

cv::Mat plain_picture() { return cv::Mat(240, 320, CV_8UC3, kBackground.bgr()); }

double chord(const float a[3], const Colour& c) {
    const double la = std::sqrt(double(a[0]) * a[0] + double(a[1]) * a[1] + double(a[2]) * a[2]);
    const double lc = std::sqrt(double(c.r) * c.r + double(c.g) * c.g + double(c.b) * c.b);
    const double d[3] = {a[0] / la - c.r / lc, a[1] / la - c.g / lc, a[2] / la - c.b / lc};
    return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

// Both cameras see the same picture with the same boxes.
recog::ColorTuning tune_both(const cv::Mat& picture, const std::vector<recog::PixelBox>& boxes,
                             const files::ColorTable& kept = files::ColorTable{}) {
    const recog::TuningView views[2] = {{&picture, boxes}, {&picture, boxes}};
    return recog::tune_colors(views, kept);
}

TEST(tune_colors, an_object_in_a_larger_box_gives_its_colour_and_leaves_the_background_out) {
    cv::Mat picture = plain_picture();
    picture(cv::Rect(100, 100, 40, 15)).setTo(kOrange.bgr());
    // The same colour in shade: brightness does not change the direction.
    picture(cv::Rect(100, 115, 40, 15)).setTo(Colour{144, 84, 36}.bgr());
    const recog::ColorTuning t = tune_both(picture, {{90, 90, 60, 50}});

    for (int cam = 0; cam < 2; ++cam) {
        ASSERT_GE(t.table.color_num[cam], 1);
        for (int i = 0; i < t.table.color_num[cam]; ++i) {
            EXPECT_LT(chord(t.table.color_vec[cam][i], kOrange), 0.01) << "colour " << i;
        }
        EXPECT_EQ(t.added[cam], t.table.color_num[cam]);
        EXPECT_EQ(t.shares[cam].box_pixels, 60 * 50);
        EXPECT_EQ(t.shares[cam].box_matched, 40 * 30);
        EXPECT_EQ(t.shares[cam].background_pixels, 320 * 240 - 60 * 50);
        EXPECT_EQ(t.shares[cam].background_matched, 0);
    }
    EXPECT_GT(t.th_thousandths, 0);
    EXPECT_EQ(t.color_th, recog::threshold_of(t.th_thousandths));
}

TEST(tune_colors, two_colours_far_apart_both_come_in) {
    cv::Mat picture = plain_picture();
    picture(cv::Rect(50, 50, 20, 30)).setTo(kOrange.bgr());
    picture(cv::Rect(70, 50, 20, 30)).setTo(kDarkRed.bgr());
    const recog::ColorTuning t = tune_both(picture, {{45, 45, 50, 40}});
    for (int cam = 0; cam < 2; ++cam) {
        EXPECT_EQ(t.shares[cam].box_matched, 40 * 30);
        EXPECT_EQ(t.shares[cam].background_matched, 0);
        // Each colour of its own, not one between them (their distance is about 0.33) with a wide
        // threshold, which would also take in whatever colours lie between.
        for (const Colour& c : {kOrange, kDarkRed}) {
            double nearest = 2;
            for (int i = 0; i < t.table.color_num[cam]; ++i)
                nearest = std::min(nearest, chord(t.table.color_vec[cam][i], c));
            EXPECT_LT(nearest, 0.01) << c.r << "," << c.g << "," << c.b;
        }
    }
}

TEST(tune_colors, the_same_pixels_give_the_same_table_whatever_the_order_of_the_boxes) {
    cv::Mat picture = plain_picture();
    cv::randu(picture(cv::Rect(20, 20, 60, 60)), cv::Scalar(0, 0, 120), cv::Scalar(80, 120, 255));
    picture(cv::Rect(200, 100, 30, 30)).setTo(kDarkRed.bgr());
    const recog::ColorTuning a = tune_both(picture, {{20, 20, 60, 60}, {195, 95, 40, 40}});
    const recog::ColorTuning b = tune_both(picture, {{195, 95, 40, 40}, {20, 20, 60, 60}});
    EXPECT_EQ(std::memcmp(&a.table, &b.table, sizeof a.table), 0);
    EXPECT_EQ(a.th_thousandths, b.th_thousandths);
}

TEST(tune_colors, boxes_without_contrast_to_the_background_give_no_colour) {
    cv::Mat picture = plain_picture();
    picture(cv::Rect(200, 100, 30, 30)).setTo(kOrange.bgr());  // not boxed
    // A box of background alone, and a box over the whole picture (nothing left to compare with).
    const recog::TuningView views[2] = {{&picture, {{10, 10, 40, 40}}}, {&picture, {{0, 0, 320, 240}}}};
    const recog::ColorTuning t = recog::tune_colors(views, files::ColorTable{});
    EXPECT_EQ(t.table.color_num[0], 0);
    EXPECT_EQ(t.table.color_num[1], 0);
    EXPECT_EQ(t.shares[0].box_matched, 0);
}

TEST(tune_colors, kept_colours_stay_first_and_the_table_never_passes_fifteen) {
    // Twenty patches of clearly different colours in one box.
    cv::Mat picture = plain_picture();
    for (int i = 0; i < 20; ++i) {
        const double hue = i * 2 * M_PI / 20;
        const Colour c{int(128 + 120 * std::cos(hue)), int(128 + 120 * std::cos(hue - 2.1)),
                       int(128 + 120 * std::cos(hue + 2.1))};
        picture(cv::Rect(10 + 12 * i, 100, 12, 12)).setTo(c.bgr());
    }
    const std::vector<recog::PixelBox> box = {{10, 100, 240, 12}};

    const recog::ColorTuning fresh = tune_both(picture, box);
    EXPECT_GT(fresh.table.color_num[0], 4);
    EXPECT_LE(fresh.table.color_num[0], recog::kMaxTunedColors);

    for (int kept_count : {2, 14, 15}) {
        files::ColorTable kept{};
        for (int i = 0; i < kept_count; ++i) {
            const float v[3] = {0, 255, float(i)};
            std::memcpy(kept.color_vec[0][i], v, sizeof v);
        }
        kept.color_num[0] = kept_count;
        const recog::ColorTuning t = tune_both(picture, box, kept);
        EXPECT_EQ(std::memcmp(t.table.color_vec[0], kept.color_vec[0], kept_count * sizeof(float[3])), 0);
        EXPECT_EQ(t.table.color_num[0], kept_count + t.added[0]);
        EXPECT_LE(t.table.color_num[0], recog::kMaxTunedColors) << kept_count << " kept";
        EXPECT_GE(t.added[1], 5) << "the other camera has room";
    }
}

TEST(tune_colors, a_camera_without_boxes_keeps_its_colours_and_gets_none) {
    cv::Mat picture = plain_picture();
    picture(cv::Rect(100, 100, 30, 30)).setTo(kOrange.bgr());
    files::ColorTable kept{};
    kept.color_vec[1][0][0] = 200;
    kept.color_vec[1][0][1] = 90;
    kept.color_vec[1][0][2] = 110;
    kept.color_num[1] = 1;
    const recog::TuningView views[2] = {{&picture, {{95, 95, 40, 40}}}, {&picture, {}}};
    const recog::ColorTuning t = recog::tune_colors(views, kept);
    EXPECT_GE(t.added[0], 1);
    EXPECT_EQ(t.added[1], 0);
    ASSERT_EQ(t.table.color_num[1], 1);
    EXPECT_EQ(t.table.color_vec[1][0][0], 200);
    EXPECT_EQ(t.shares[1].box_pixels, 0);
}

TEST(match_shares, black_pixels_never_match_and_no_colours_match_nothing) {
    cv::Mat picture = plain_picture();
    picture(cv::Rect(0, 0, 10, 10)).setTo(cv::Scalar(0, 0, 0));      // in the box
    picture(cv::Rect(300, 200, 10, 10)).setTo(cv::Scalar(0, 0, 0));  // outside
    const recog::TuningView view{&picture, {{0, 0, 20, 20}}};

    // A colour and a threshold that take in every colour there is.
    files::ColorTable all{};
    all.color_vec[0][0][0] = all.color_vec[0][0][1] = all.color_vec[0][0][2] = 1;
    all.color_num[0] = 1;
    const recog::MatchShares s = recog::match_shares(view, all, 0, 2.0f);
    EXPECT_EQ(s.box_pixels, 400);
    EXPECT_EQ(s.box_matched, 400 - 100);
    EXPECT_EQ(s.background_matched, s.background_pixels - 100);

    // Without colours the colour test leaves the picture as it is; its black pixels are no match.
    const recog::MatchShares none = recog::match_shares(view, files::ColorTable{}, 0, 2.0f);
    EXPECT_EQ(none.box_matched, 0);
    EXPECT_EQ(none.background_matched, 0);
    EXPECT_EQ(none.box_share(), 0.0);
}

}  // namespace
