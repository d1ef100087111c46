#include "recog/corn_find.h"

#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/core.hpp>
#include <string>

#include "platform/console.h"
#include "tests/support/child_process.h"

namespace {

const cv::Vec3b kBackground(96, 112, 96);  // blue, green, red
const cv::Vec3b kConeRed(132, 116, 230);
const cv::Vec3b kGreen(40, 200, 60);

cv::Mat blank_frame() {
    return cv::Mat(recog::kFrameHeight, recog::kFrameWidth, CV_8UC3, cv::Scalar(96, 112, 96));
}

void fill(cv::Mat& frame, int x0, int y0, int w, int h, cv::Vec3b bgr) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) frame.at<cv::Vec3b>(y, x) = bgr;
}

void set_unit_color(files::RecogParams& p, int cam, int entry, cv::Vec3b bgr) {
    const double r = bgr[2], g = bgr[1], b = bgr[0];
    const double m = std::sqrt(r * r + g * g + b * b);
    p.colors.color_vec[cam][entry][0] = static_cast<float>(r / m);
    p.colors.color_vec[cam][entry][1] = static_cast<float>(g / m);
    p.colors.color_vec[cam][entry][2] = static_cast<float>(b / m);
}

// Cone red for both cameras, wide size limits.
files::RecogParams red_params() {
    files::RecogParams p{};
    p.min_pixnum = 0;
    p.max_pixnum = 100000;
    p.color_th = 0.1f;
    set_unit_color(p, 0, 0, kConeRed);
    set_unit_color(p, 1, 0, kConeRed);
    p.colors.color_num[0] = 1;
    p.colors.color_num[1] = 1;
    return p;
}

struct FindResult {
    recog::ImageInfo info{};
    recog::AreaInfo candidates[recog::kMaxAreas]{};
    std::string out;
};

class CornFind : public ::testing::Test {
protected:
    void SetUp() override { platform::set_console_encoding(platform::ConsoleEncoding::utf8); }

    // Runs the finder with the candidate array pre-filled with a marker value.
    std::unique_ptr<FindResult> find(const files::RecogParams& p, cv::Mat& frame, int cam = 0) {
        auto r = std::make_unique<FindResult>();
        for (recog::AreaInfo& a : r->candidates) {
            a.pix_value = -77;
            a.new_id = -77;
            a.id = -77;
        }
        platform::ConsoleRedirect redirect(&r->out);
        recog::corn_find(p, frame, &r->info, r->candidates, cam, nullptr, keep_binary());
        return r;
    }
    // Keeps a copy of the binary picture the finder hands over.
    recog::BinaryPictureSink keep_binary() {
        return [this](const cv::Mat& binary) { binary_ = binary.clone(); };
    }

    cv::Mat binary_;
};

TEST_F(CornFind, SpeckVanishesAndThreeByThreeBlockComesBackAsFiveByFive) {
    cv::Mat frame = blank_frame();
    fill(frame, 40, 40, 2, 2, kConeRed);
    fill(frame, 100, 80, 3, 3, kConeRed);
    auto r = find(red_params(), frame);
    ASSERT_EQ(r->info.area_num, 1);
    const recog::AreaInfo& a = r->candidates[0];
    EXPECT_EQ(a.pixnum, 25);
    EXPECT_EQ(a.min_x, 99);
    EXPECT_EQ(a.max_x, 103);
    EXPECT_EQ(a.min_y, 79);
    EXPECT_EQ(a.max_y, 83);
    EXPECT_EQ(a.cog_x, 101);
    EXPECT_EQ(a.cog_y, 81);
    EXPECT_EQ(r->info.y_start, 1);
    EXPECT_EQ(r->info.y_end, 239);
}

TEST_F(CornFind, SavedBitmapAndFrameHoldTheFilteredBinaryPicture) {
    cv::Mat frame = blank_frame();
    fill(frame, 40, 40, 2, 2, kConeRed);
    fill(frame, 100, 80, 3, 3, kConeRed);
    find(red_params(), frame);

    // The frame itself is binarized (before the morphology): both blobs black, the rest white.
    EXPECT_EQ(frame.at<cv::Vec3b>(40, 40), cv::Vec3b(0, 0, 0));
    EXPECT_EQ(frame.at<cv::Vec3b>(81, 101), cv::Vec3b(0, 0, 0));
    EXPECT_EQ(frame.at<cv::Vec3b>(79, 99), cv::Vec3b(255, 255, 255));

    const cv::Mat& saved = binary_;
    ASSERT_FALSE(saved.empty());
    ASSERT_EQ(saved.type(), CV_8UC1);
    ASSERT_EQ(saved.size(), cv::Size(recog::kFrameWidth, recog::kFrameHeight));
    cv::Mat expected(recog::kFrameHeight, recog::kFrameWidth, CV_8UC1, cv::Scalar(255));
    expected(cv::Rect(99, 79, 5, 5)).setTo(0);
    EXPECT_EQ(cv::countNonZero(saved != expected), 0);
}

TEST_F(CornFind, NoConeColourSavesAWhitePictureAndFindsNothing) {
    cv::Mat frame = blank_frame();
    fill(frame, 100, 80, 20, 20, kGreen);
    auto r = find(red_params(), frame);
    EXPECT_EQ(r->info.area_num, 0);
    const cv::Mat& saved = binary_;
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(cv::countNonZero(saved != 255), 0);
}

TEST_F(CornFind, SizeLimitsAreStrict) {
    cv::Mat frame = blank_frame();
    fill(frame, 20, 20, 3, 3, kConeRed);   // region 0: 25 pixels
    fill(frame, 60, 20, 5, 5, kConeRed);   // region 1: 49 pixels
    fill(frame, 100, 20, 7, 7, kConeRed);  // region 2: 81 pixels
    files::RecogParams p = red_params();
    p.min_pixnum = 25;
    p.max_pixnum = 81;
    cv::Mat copy = frame.clone();
    auto r = find(p, copy);
    ASSERT_EQ(r->info.area_num, 1);
    EXPECT_EQ(r->candidates[0].pixnum, 49);
    EXPECT_EQ(r->candidates[0].id, 1);

    p.min_pixnum = 24;
    p.max_pixnum = 82;
    copy = frame.clone();
    r = find(p, copy);
    EXPECT_EQ(r->info.area_num, 3);

    p.min_pixnum = 48;  // min >= max - 1 leaves no room
    p.max_pixnum = 49;
    copy = frame.clone();
    r = find(p, copy);
    EXPECT_EQ(r->info.area_num, 0);
    EXPECT_NE(r->out.find("\n corn_find \n\n decide_area_shape \n"), std::string::npos) << r->out;
}

TEST_F(CornFind, CandidatesKeepTheirRegionIdsWithGaps) {
    cv::Mat frame = blank_frame();
    fill(frame, 20, 20, 5, 5, kConeRed);   // region 0: 49
    fill(frame, 60, 20, 3, 3, kConeRed);   // region 1: 25
    fill(frame, 100, 20, 3, 3, kConeRed);  // region 2: 25
    fill(frame, 140, 20, 5, 5, kConeRed);  // region 3: 49
    fill(frame, 180, 20, 6, 6, kConeRed);  // region 4: 64
    files::RecogParams p = red_params();
    p.min_pixnum = 30;
    auto r = find(p, frame);
    ASSERT_EQ(r->info.area_num, 3);
    const int ids[3] = {0, 3, 4};
    const int left[3] = {19, 139, 179};
    const int pixnum[3] = {49, 49, 64};
    for (int k = 0; k < 3; ++k) {
        const recog::AreaInfo& a = r->candidates[k];
        EXPECT_EQ(a.id, ids[k]);
        EXPECT_EQ(a.pixnum, pixnum[k]);
        EXPECT_EQ(a.min_x, left[k]);
        EXPECT_EQ(a.left_x, left[k]);
        EXPECT_GE(a.cog_x, left[k]);
        EXPECT_EQ(a.pix_value, -77);  // not copied
        EXPECT_EQ(a.new_id, -77);
    }
    EXPECT_EQ(r->candidates[3].id, -77);  // entries past the count keep what they held
    EXPECT_NE(r->out.find("id:   3, pixnum:    49, cog_x: 142, cog_y:  22 \n"), std::string::npos) << r->out;
}

TEST_F(CornFind, EachCameraUsesItsOwnColours) {
    cv::Mat frame = blank_frame();
    fill(frame, 40, 40, 6, 6, kConeRed);
    fill(frame, 200, 100, 4, 4, kGreen);
    files::RecogParams p = red_params();
    set_unit_color(p, 1, 0, kGreen);

    cv::Mat left = frame.clone();
    auto r = find(p, left, 0);
    ASSERT_EQ(r->info.area_num, 1);
    EXPECT_EQ(r->candidates[0].pixnum, 64);  // 6 x 6 comes back as 8 x 8
    EXPECT_EQ(r->candidates[0].min_x, 39);

    cv::Mat right = frame.clone();
    r = find(p, right, 1);
    ASSERT_EQ(r->info.area_num, 1);
    EXPECT_EQ(r->candidates[0].pixnum, 36);
    EXPECT_EQ(r->candidates[0].min_x, 199);
}

TEST_F(CornFind, WithoutColoursTheFrameStaysAndPureBlackBecomesARegion) {
    cv::Mat frame = blank_frame();
    fill(frame, 40, 40, 6, 6, kConeRed);
    fill(frame, 200, 100, 4, 4, cv::Vec3b(0, 0, 0));
    fill(frame, 250, 100, 4, 4, cv::Vec3b(0, 2, 0));  // dark, but grey level 1
    files::RecogParams p = red_params();
    p.colors.color_num[0] = 0;
    const cv::Mat before = frame.clone();
    auto r = find(p, frame, 0);
    EXPECT_EQ(cv::norm(frame, before, cv::NORM_INF), 0.0);
    ASSERT_EQ(r->info.area_num, 1);
    EXPECT_EQ(r->candidates[0].pixnum, 36);
    EXPECT_EQ(r->candidates[0].min_x, 199);
}

TEST_F(CornFind, ConsoleOutputComesInPipelineOrder) {
    cv::Mat frame = blank_frame();
    fill(frame, 100, 80, 3, 3, kConeRed);
    auto r = find(red_params(), frame);
    const std::string& out = r->out;
    const size_t table = out.find("\n get_area_info\n");
    const size_t count = out.find("対象エリア数:    1\n");
    const size_t heading = out.find("\n\n corn_find \n");
    const size_t line = out.find("id:   0, pixnum:    25, cog_x: 101, cog_y:  81 \n");
    const size_t shapes = out.find("\n decide_area_shape \n");
    const size_t shape_line = out.find("   0 : 方向 = ");
    ASSERT_NE(table, std::string::npos) << out;
    ASSERT_NE(shape_line, std::string::npos) << out;
    EXPECT_LT(table, count);
    EXPECT_EQ(count + std::string("対象エリア数:    1\n").size(), heading);  // the empty line follows
    EXPECT_LT(heading, line);
    EXPECT_LT(line, shapes);
    EXPECT_LT(shapes, shape_line);
}

TEST_F(CornFind, DrawnRingIsAnnouncedAsLandmark) {
    // An annulus: its chord runs along a row, its thirds are alike and its lines thin.
    cv::Mat frame = blank_frame();
    for (int y = 0; y < recog::kFrameHeight; ++y) {
        for (int x = 0; x < recog::kFrameWidth; ++x) {
            const double d = std::hypot(x - 160.0, y - 120.0);
            if (d >= 70.0 && d < 74.0) frame.at<cv::Vec3b>(y, x) = kConeRed;
        }
    }
    auto r = find(red_params(), frame);
    ASSERT_EQ(r->info.area_num, 1);
    EXPECT_NE(r->out.find("ランドマーク ↓\n   0 : 方向 ="), std::string::npos) << r->out;
}

// The picture comes before the table, so a line about saving it stays ahead of the table; without
// a receiver the finder finds the same.
TEST_F(CornFind, BinaryPictureIsHandedOverBeforeTheTable) {
    cv::Mat frame = blank_frame();
    fill(frame, 100, 80, 3, 3, kConeRed);
    cv::Mat copy = frame.clone();
    recog::ImageInfo info{};
    recog::AreaInfo candidates[recog::kMaxAreas]{};
    std::string out;
    size_t printed_before = std::string::npos;
    {
        platform::ConsoleRedirect redirect(&out);
        recog::corn_find(red_params(), frame, &info, candidates, 0, nullptr,
                         [&](const cv::Mat&) { printed_before = out.size(); });
    }
    EXPECT_EQ(printed_before, 0u);
    EXPECT_NE(out.find(" corn_find "), std::string::npos);
    EXPECT_EQ(info.area_num, 1);

    std::string quiet;
    recog::ImageInfo again{};
    {
        platform::ConsoleRedirect redirect(&quiet);
        recog::corn_find(red_params(), copy, &again, candidates, 0);
    }
    EXPECT_EQ(quiet, out);
    EXPECT_EQ(again.area_num, 1);
    EXPECT_EQ(candidates[0].pixnum, 25);
}

TEST_F(CornFind, RejectsFramesAndCamerasItCannotHandle) {
    recog::ImageInfo info{};
    info.area_num = 5;
    recog::AreaInfo candidates[recog::kMaxAreas]{};
    std::string out;
    platform::ConsoleRedirect redirect(&out);
    cv::Mat small(120, 160, CV_8UC3, cv::Scalar(132, 116, 230));
    recog::corn_find(red_params(), small, &info, candidates, 0);
    EXPECT_EQ(info.area_num, 0);
    EXPECT_NE(out.find("エラー！(corn_find)"), std::string::npos);

    info.area_num = 5;
    out.clear();
    cv::Mat frame = blank_frame();
    recog::corn_find(red_params(), frame, &info, candidates, 2);
    EXPECT_EQ(info.area_num, 0);
    EXPECT_NE(out.find("エラー！(corn_find)"), std::string::npos);
}

}  // namespace
