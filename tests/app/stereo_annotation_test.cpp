#include "app/stereo_annotation.h"

#include <gtest/gtest.h>

#include <array>

#include "recog/location_report.h"

namespace {

recog::AreaInfo box(int cog_x, int cog_y, int half_w, int half_h) {
    recog::AreaInfo a{};
    a.cog_x = cog_x;
    a.cog_y = cog_y;
    a.min_x = cog_x - half_w;
    a.max_x = cog_x + half_w;
    a.min_y = cog_y - half_h;
    a.max_y = cog_y + half_h;
    return a;
}

cv::Vec3b bgr(const cv::Scalar& s) { return cv::Vec3b(uchar(s[0]), uchar(s[1]), uchar(s[2])); }

// Pixels of exactly this colour inside the rectangle.
int count_colour(const cv::Mat& m, cv::Rect r, const cv::Scalar& colour) {
    r &= cv::Rect(0, 0, m.cols, m.rows);
    int n = 0;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x) n += m.at<cv::Vec3b>(y, x) == bgr(colour);
    return n;
}

TEST(annotate_stereo_pair, boxes_pairings_and_distances_by_state) {
    const cv::Mat left(240, 320, CV_8UC3, cv::Scalar(40, 50, 60));
    const cv::Mat right(240, 320, CV_8UC3, cv::Scalar(70, 80, 90));
    recog::ImageInfo info[2]{};
    std::array<recog::AreaInfo, 2 * recog::kMaxAreas> areas{};
    std::array<int, recog::kMaxAreas> match{};
    info[0].area_num = 3;
    info[1].area_num = 3;
    areas[0] = box(100, 60, 10, 15);  // L0 -> R0: 41300 / 33, reported
    areas[1] = box(200, 150, 8, 12);  // L1 -> R1: two columns apart, nearer than 200
    areas[2] = box(40, 200, 5, 5);    // L2: no partner
    areas[recog::kMaxAreas + 0] = box(140, 60, 10, 15);
    areas[recog::kMaxAreas + 1] = box(202, 150, 8, 12);
    areas[recog::kMaxAreas + 2] = box(300, 20, 6, 6);  // R2: nobody's partner
    match = {0, 1, -1};

    const cv::Mat out = app::annotate_stereo_pair(left, right, info, areas.data(), match.data());
    ASSERT_EQ(out.size(), cv::Size(1280, 480 + app::kLegendHeight));
    ASSERT_EQ(out.type(), CV_8UC3);

    // Left edges of the boxes, half-way down, in each state's colour.
    const auto edge = [&](const recog::AreaInfo& a, int offset) {
        return out.at<cv::Vec3b>(a.cog_y * 2, offset + a.min_x * 2 - 1);
    };
    EXPECT_EQ(edge(areas[0], 0), bgr(app::kReportedColour));
    EXPECT_EQ(edge(areas[1], 0), bgr(app::kNotReportedColour));
    EXPECT_EQ(edge(areas[2], 0), bgr(app::kUnpairedColour));
    EXPECT_EQ(edge(areas[recog::kMaxAreas + 0], 640), bgr(app::kReportedColour));
    EXPECT_EQ(edge(areas[recog::kMaxAreas + 1], 640), bgr(app::kNotReportedColour));
    EXPECT_EQ(edge(areas[recog::kMaxAreas + 2], 640), bgr(app::kUnpairedColour));

    // The pairing line runs from centre to centre, through the middle of the picture.
    EXPECT_EQ(out.at<cv::Vec3b>(121, 460), bgr(app::kReportedColour));
    EXPECT_EQ(out.at<cv::Vec3b>(301, 740), bgr(app::kNotReportedColour));  // (401, 301) to (1045, 301)

    // The distance is written under the reported box only.
    const cv::Scalar background(40, 50, 60);
    EXPECT_LT(count_colour(out, cv::Rect(180, 154, 100, 16), background), 100 * 16 - 20);
    EXPECT_EQ(count_colour(out, cv::Rect(380, 328, 100, 16), background), 100 * 16);

    // Elsewhere the pictures show through, each pixel doubled.
    EXPECT_EQ(out.at<cv::Vec3b>(460, 20), cv::Vec3b(40, 50, 60));
    EXPECT_EQ(out.at<cv::Vec3b>(461, 21), cv::Vec3b(40, 50, 60));
    EXPECT_EQ(out.at<cv::Vec3b>(460, 1100), cv::Vec3b(70, 80, 90));
}

TEST(annotate_stereo_pair, odd_counts_and_indices_stay_inside) {
    const cv::Mat left(240, 320, CV_8UC3, cv::Scalar(0, 0, 0));
    recog::ImageInfo info[2]{};
    std::array<recog::AreaInfo, 2 * recog::kMaxAreas> areas{};
    std::array<int, recog::kMaxAreas> match{};
    match.fill(300);  // no such right candidate
    info[0].area_num = 5000;
    info[1].area_num = -3;
    areas[0] = box(0, 0, 0, 0);      // at the very corner: labels are kept inside the picture
    areas[1] = box(319, 239, 3, 3);  // box reaching past the edge
    const cv::Mat out = app::annotate_stereo_pair(left, left, info, areas.data(), match.data());
    EXPECT_EQ(out.size(), cv::Size(1280, 480 + app::kLegendHeight));
    EXPECT_GT(count_colour(out, cv::Rect(0, 0, 40, 20), app::kUnpairedColour), 0);
}

// Two left candidates pick the same right one; the nearer-than-200 pair comes first.
struct SharedPartner {
    recog::ImageInfo info[2]{};
    std::array<recog::AreaInfo, 2 * recog::kMaxAreas> areas{};
    std::array<int, recog::kMaxAreas> match{};
    SharedPartner() {
        info[0].area_num = 3;
        info[1].area_num = 2;
        areas[0] = box(202, 150, 8, 12);  // L0 -> R0: two columns apart, nearer than 200
        areas[1] = box(100, 60, 10, 15);  // L1 -> R0 as well: reported
        areas[2] = box(40, 200, 5, 5);    // L2: no partner
        areas[recog::kMaxAreas + 0] = box(140, 60, 10, 15);
        areas[recog::kMaxAreas + 1] = box(300, 20, 6, 6);  // R1: nobody's partner
        match = {0, 0, -1};
    }
};

TEST(describe_stereo_pair, states_partners_and_distances_of_both_sides) {
    const SharedPartner s;
    const app::StereoAnnotation a = app::describe_stereo_pair(s.info, s.areas.data(), s.match.data());
    ASSERT_EQ(a.left.size(), 3u);
    ASSERT_EQ(a.right.size(), 2u);
    EXPECT_EQ(a.left[0].state, app::PairState::not_reported);
    EXPECT_EQ(a.left[1].state, app::PairState::reported);
    EXPECT_EQ(a.left[1].partner, 0);
    // The distance is the report's for that pair (41300 / 33), not another pair's.
    recog::CornLocation reported{};
    ASSERT_TRUE(recog::corn_locate_pair(s.areas[1], s.areas[recog::kMaxAreas + 0], &reported));
    EXPECT_DOUBLE_EQ(a.left[1].distance, reported.x);
    EXPECT_NEAR(a.left[1].distance, 41300.0 / 33, 1.0);
    EXPECT_EQ(a.left[2].state, app::PairState::unpaired);
    EXPECT_EQ(a.left[2].partner, -1);
    // The shared right candidate shows the best of its pairings, with that partner and distance.
    EXPECT_EQ(a.right[0].state, app::PairState::reported);
    EXPECT_EQ(a.right[0].partner, 1);
    EXPECT_EQ(a.right[0].distance, a.left[1].distance);
    EXPECT_EQ(a.right[1].state, app::PairState::unpaired);
    EXPECT_EQ(a.right[1].area.cog_x, 300);
}

TEST(draw_camera_annotation, each_window_shows_its_side_boxed_named_with_partners_and_distances) {
    const SharedPartner s;
    const app::StereoAnnotation a = app::describe_stereo_pair(s.info, s.areas.data(), s.match.data());
    const cv::Scalar background(40, 50, 60);
    cv::Mat left(240, 320, CV_8UC3, background);
    cv::Mat right = left.clone();
    app::draw_camera_annotation(left, a, app::Side::left);
    app::draw_camera_annotation(right, a, app::Side::right);
    ASSERT_EQ(left.size(), cv::Size(320, 240));

    // Box edges one pixel outside the candidate, at the picture's own scale, in each state's colour.
    const auto edge = [](const cv::Mat& m, const recog::AreaInfo& b) {
        return m.at<cv::Vec3b>(b.cog_y, b.min_x - 1);
    };
    EXPECT_EQ(edge(left, s.areas[0]), bgr(app::kNotReportedColour));
    EXPECT_EQ(edge(left, s.areas[1]), bgr(app::kReportedColour));
    EXPECT_EQ(edge(left, s.areas[2]), bgr(app::kUnpairedColour));
    EXPECT_EQ(edge(right, s.areas[recog::kMaxAreas + 0]), bgr(app::kReportedColour));
    EXPECT_EQ(edge(right, s.areas[recog::kMaxAreas + 1]), bgr(app::kUnpairedColour));
    EXPECT_EQ(left.at<cv::Vec3b>(100, 160), bgr(background)) << "nothing of the other side";

    // Names above the boxes: with the partner ("L1-R0") they reach further right than alone ("L2").
    const auto text_width = [&](const cv::Mat& m, const recog::AreaInfo& b) {
        int right_most = -1;
        for (int y = std::max(0, b.min_y - 14); y < b.min_y - 1; ++y)
            for (int x = b.min_x; x < std::min(320, b.min_x + 60); ++x)
                if (m.at<cv::Vec3b>(y, x) != bgr(background)) right_most = std::max(right_most, x - b.min_x);
        return right_most;
    };
    EXPECT_GT(text_width(left, s.areas[1]), 24);
    EXPECT_GT(text_width(right, s.areas[recog::kMaxAreas + 0]), 24);
    EXPECT_GT(text_width(left, s.areas[2]), 4);
    EXPECT_LT(text_width(left, s.areas[2]), 20);

    // The distance under the reported boxes only, on both sides.
    const auto under = [&](const cv::Mat& m, const recog::AreaInfo& b) {
        return 60 * 12 - count_colour(m, cv::Rect(b.min_x, b.max_y + 3, 60, 12), background);
    };
    EXPECT_GT(under(left, s.areas[1]), 20);
    EXPECT_GT(under(right, s.areas[recog::kMaxAreas + 0]), 20);
    EXPECT_EQ(under(left, s.areas[0]), 0);
}

}  // namespace
