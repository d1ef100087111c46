#include "recog/shape_decision.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/console.h"
#include "recog/calc_2d.h"

namespace {

// A label plane with nothing labeled, and a record per painted area.
struct LabelFrame {
    std::unique_ptr<recog::ImageAtt> att = std::make_unique<recog::ImageAtt>();

    LabelFrame() {
        for (int k = 0; k < recog::kFramePixels; ++k) {
            att->value[k] = 255;
            att->label[k] = -1;
        }
    }
    void paint(int x, int y, int label) {
        att->value[y * recog::kFrameWidth + x] = 0;
        att->label[y * recog::kFrameWidth + x] = label;
    }
    void paint_block(int x0, int y0, int x1, int y1, int label) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) paint(x, y, label);
    }
    // Pixel count and bounding box of one label; centre and axis are the caller's to set.
    recog::AreaInfo record(int label) const {
        recog::AreaInfo a{};
        a.id = label;
        a.min_x = 319;
        a.min_y = 239;
        for (int y = 0; y < recog::kFrameHeight; ++y) {
            for (int x = 0; x < recog::kFrameWidth; ++x) {
                if (att->label[y * recog::kFrameWidth + x] != label) continue;
                ++a.pixnum;
                a.min_x = std::min(a.min_x, x);
                a.min_y = std::min(a.min_y, y);
                a.max_x = std::max(a.max_x, x);
                a.max_y = std::max(a.max_y, y);
            }
        }
        return a;
    }
};

void set_axis(recog::AreaInfo& a, int x1, int y1, int x2, int y2) {
    a.axis_x1 = x1;
    a.axis_y1 = y1;
    a.axis_x2 = x2;
    a.axis_y2 = y2;
}

// Runs the shape decision on the given records; returns the console text.
std::string run_shapes(std::vector<recog::AreaInfo>& areas, const LabelFrame& frame) {
    platform::set_console_encoding(platform::ConsoleEncoding::utf8);
    recog::ImageInfo info{};
    info.area_num = static_cast<int>(areas.size());
    std::string out;
    platform::ConsoleRedirect redirect(&out);
    EXPECT_EQ(recog::decide_area_shape(&info, areas.data(), frame.att.get()), &info);
    return out;
}

const std::string kHeading = "\n decide_area_shape \n";
const std::string kLandmark = "ランドマーク ↓\n";
const std::string kWarning = "警告：配列を使い切りました。形状判断処理が不正確です↓(decide_area_shape)\n";

std::string area_line(int index, const char* degrees, const char* aspect, int thickness, int shape) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "%4d : 方向 = %s°：　縦横比 = %s：　線の太さ = %4d: 形状 = %d\n", index, degrees,
                  aspect, thickness, shape);
    return buf;
}

// A work image (kShapeWorkWidth stride) holding a square ring of side `side` and line width 2 at
// the origin: the symmetric pattern the landmark test looks for.
std::vector<uint8_t> ring_work_image(int side) {
    std::vector<uint8_t> work(recog::kShapeWorkWidth * recog::kShapeWorkHeight, 255);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool edge = x < 2 || y < 2 || x >= side - 2 || y >= side - 2;
            if (edge) work[y * recog::kShapeWorkWidth + x] = 0;
        }
    }
    return work;
}

std::string run_landmark(recog::AreaInfo& area, const std::vector<uint8_t>& work, const int box_i[4],
                         const int cog[2]) {
    platform::set_console_encoding(platform::ConsoleEncoding::utf8);
    std::string out;
    platform::ConsoleRedirect redirect(&out);
    recog::decide_landmark(&area, work.data(), box_i, cog);
    return out;
}

TEST(Calc2D, RotatesAboutTheCentreAndShiftsByFactor) {
    const recog::Calc2D calc;
    double pts[2][2] = {{12.0, 5.0}, {10.0, 7.0}};
    calc.rotate_points(pts, 10.0, 5.0, M_PI / 2, 2);
    // (2, 0) about the centre turns to (0, 2); (0, 2) turns to (-2, 0).
    EXPECT_NEAR(pts[0][0], 10.0, 1e-12);
    EXPECT_NEAR(pts[0][1], 7.0, 1e-12);
    EXPECT_NEAR(pts[1][0], 8.0, 1e-12);
    EXPECT_NEAR(pts[1][1], 5.0, 1e-12);
    const double offset[2] = {8.0, 5.0};
    calc.shift_points(pts, offset, 1, -1.0);  // only the first point moves
    EXPECT_NEAR(pts[0][0], 2.0, 1e-12);
    EXPECT_NEAR(pts[0][1], 2.0, 1e-12);
    EXPECT_NEAR(pts[1][0], 8.0, 1e-12);
}

TEST(DecideAreaShape, EmptyListPrintsOnlyTheHeading) {
    LabelFrame frame;
    std::vector<recog::AreaInfo> none;
    EXPECT_EQ(run_shapes(none, frame), kHeading);
}

TEST(DecideAreaShape, SinglePixelMeasures) {
    LabelFrame frame;
    frame.paint(40, 30, 0);
    std::vector<recog::AreaInfo> areas{frame.record(0)};
    set_axis(areas[0], 40, 30, 40, 30);  // all extreme pixels coincide; the centre stays (0, 0)
    const std::string out = run_shapes(areas, frame);
    const recog::AreaInfo& a = areas[0];
    EXPECT_EQ(a.direction, 0.0f);
    EXPECT_EQ(a.height, 1.0f);
    EXPECT_EQ(a.aspect, 0.0f);  // taken before the width is corrected
    EXPECT_EQ(a.width, 1.0f);
    EXPECT_EQ(a.thickness, 1);
    EXPECT_EQ(a.fill_ratio, 1.0f);
    EXPECT_EQ(a.col_pix_max, 1);
    EXPECT_EQ(a.shape, -1);
    EXPECT_EQ(out, kHeading + area_line(0, "   0.0", "   0.0", 1, -1));
}

TEST(DecideAreaShape, ChordStraightDownPrintsNinetyDegrees) {
    LabelFrame frame;
    frame.paint_block(50, 20, 50, 99, 0);  // 80 pixels in one column
    std::vector<recog::AreaInfo> areas{frame.record(0)};
    areas[0].cog_x = 50;
    areas[0].cog_y = 59;
    set_axis(areas[0], 50, 20, 50, 99);
    const std::string out = run_shapes(areas, frame);
    const recog::AreaInfo& a = areas[0];
    EXPECT_EQ(a.direction, static_cast<float>(M_PI / 2));
    EXPECT_FLOAT_EQ(a.width, 79.0f);
    EXPECT_EQ(a.height, 1.0f);  // the turned column has no height at all
    EXPECT_EQ(a.thickness, 1);
    EXPECT_EQ(a.shape, 1);  // long and thin
    EXPECT_EQ(out, kHeading + area_line(0, "  90.0", "  79.0", 1, 1));
}

TEST(DecideAreaShape, ChordAlongARowIsNotTurned) {
    LabelFrame frame;
    frame.paint_block(100, 50, 109, 56, 0);  // 10 x 7 = 70 pixels
    std::vector<recog::AreaInfo> areas{frame.record(0)};
    areas[0].cog_x = 104;
    areas[0].cog_y = 53;
    set_axis(areas[0], 100, 53, 109, 53);
    const std::string out = run_shapes(areas, frame);
    const recog::AreaInfo& a = areas[0];
    EXPECT_EQ(a.direction, 0.0f);
    EXPECT_EQ(a.width, 9.0f);
    EXPECT_EQ(a.height, 6.0f);
    EXPECT_EQ(a.aspect, 1.5f);
    EXPECT_EQ(a.thickness, 7);  // 70 / 9
    EXPECT_FLOAT_EQ(a.fill_ratio, 70.0f / 54.0f);
    EXPECT_EQ(a.col_pix_max, 7);
    EXPECT_EQ(a.shape, 4);  // solid and compact
    EXPECT_EQ(out, kHeading + area_line(0, "   0.0", "   1.5", 7, 4));
}

TEST(DecideAreaShape, SixtyNinePixelsGetNoShapeSeventyDo) {
    LabelFrame frame;
    frame.paint_block(100, 50, 109, 56, 0);  // 70 pixels
    frame.paint_block(200, 50, 209, 56, 1);
    frame.att->label[56 * recog::kFrameWidth + 205] = -1;  // 69 pixels, same box
    std::vector<recog::AreaInfo> areas{frame.record(0), frame.record(1)};
    ASSERT_EQ(areas[0].pixnum, 70);
    ASSERT_EQ(areas[1].pixnum, 69);
    for (recog::AreaInfo& a : areas) {
        a.cog_x = a.min_x + 4;
        a.cog_y = a.min_y + 3;
        set_axis(a, a.min_x, a.min_y + 3, a.max_x, a.min_y + 3);
    }
    run_shapes(areas, frame);
    EXPECT_EQ(areas[0].shape, 4);
    EXPECT_EQ(areas[1].shape, -1);
    EXPECT_EQ(areas[1].thickness, 7);  // the measures are still taken
}

TEST(DecideAreaShape, From16383PixelsTheAreaIsNotAnalysed) {
    LabelFrame frame;
    frame.paint_block(10, 10, 137, 137, 0);  // 128 x 128 = 16384
    frame.paint_block(150, 10, 277, 137, 1);
    frame.att->label[137 * recog::kFrameWidth + 10] = -1;  // 16383
    frame.att->label[137 * recog::kFrameWidth + 150] = -1;
    frame.att->label[137 * recog::kFrameWidth + 151] = -1;  // 16382
    std::vector<recog::AreaInfo> areas{frame.record(0), frame.record(1)};
    ASSERT_EQ(areas[0].pixnum, 16383);
    ASSERT_EQ(areas[1].pixnum, 16382);
    for (recog::AreaInfo& a : areas) {
        a.cog_x = a.min_x + 64;
        a.cog_y = a.min_y + 64;
        set_axis(a, a.min_x, a.min_y + 64, a.max_x, a.min_y + 64);
        a.width = 11.0f;  // stale values the fallback keeps
        a.height = 12.0f;
        a.fill_ratio = 0.5f;
        a.col_pix_max = 13;
        a.direction = 2.0f;
        a.shape = 4;
    }
    const std::string out = run_shapes(areas, frame);
    const recog::AreaInfo& big = areas[0];
    EXPECT_EQ(big.cog_x, 320);
    EXPECT_EQ(big.cog_y, 240);
    EXPECT_EQ(big.aspect, 1.0f);
    EXPECT_EQ(big.thickness, 1);
    EXPECT_EQ(big.shape, -1);
    EXPECT_EQ(big.direction, 0.0f);
    EXPECT_EQ(big.width, 11.0f);
    EXPECT_EQ(big.height, 12.0f);
    EXPECT_EQ(big.fill_ratio, 0.5f);
    EXPECT_EQ(big.col_pix_max, 13);

    const recog::AreaInfo& analysed = areas[1];
    EXPECT_EQ(analysed.cog_x, 214);
    EXPECT_EQ(analysed.width, 127.0f);
    EXPECT_EQ(analysed.col_pix_max, 128);
    EXPECT_EQ(analysed.shape, 4);
    EXPECT_EQ(out, kHeading + kWarning + area_line(0, "   0.0", "   1.0", 1, -1) +
                       area_line(1, "   0.0", "   1.0", 128, 4));
}

TEST(DecideAreaShape, LongCrossReachesBeyondTheFrameSizeWithoutClipping) {
    // Two full diagonals: turned onto one of them the other spans far more than 240 rows, and the
    // long one more than 320 columns.
    LabelFrame frame;
    for (int x = 1; x <= 318; ++x) {
        const int y = 2 + (x - 1) * 236 / 317;
        frame.paint(x, y, 0);
        frame.paint(x, 240 - y, 0);
    }
    std::vector<recog::AreaInfo> areas{frame.record(0)};
    areas[0].cog_x = 160;
    areas[0].cog_y = 120;
    set_axis(areas[0], 1, 238, 318, 2);
    run_shapes(areas, frame);
    const recog::AreaInfo& a = areas[0];
    const double diagonal = std::hypot(317.0, 236.0);
    EXPECT_NEAR(a.width, diagonal, 1.5);
    // The other diagonal crosses at twice the diagonal's angle.
    const double across = diagonal * std::sin(2 * std::atan2(236.0, 317.0));
    EXPECT_NEAR(a.height, across, 3.0);
    EXPECT_GT(a.height, 240.0f);
    // Every column of the turned cross holds a point of each diagonal at most a few pixels apart.
    EXPECT_GE(a.col_pix_max, 1);
    EXPECT_LE(a.col_pix_max, 8);
}

TEST(DecideAreaShape, SparseLatticeMeetsRulesTwoAndThreeAndGetsThree) {
    LabelFrame frame;
    for (int y = 100; y <= 124; y += 2)
        for (int x = 100; x <= 130; x += 2) frame.paint(x, y, 0);
    std::vector<recog::AreaInfo> areas{frame.record(0)};
    ASSERT_EQ(areas[0].pixnum, 16 * 13);
    areas[0].cog_x = 114;
    areas[0].cog_y = 112;
    set_axis(areas[0], 100, 112, 130, 112);
    run_shapes(areas, frame);
    const recog::AreaInfo& a = areas[0];
    EXPECT_EQ(a.thickness, 6);      // 208 / 30: rule 2 wants 5..19, rule 3 more than 2
    EXPECT_LT(a.fill_ratio, 0.3f);  // 208 / 720
    EXPECT_LT(a.aspect, 2.0f);
    EXPECT_EQ(a.col_pix_max, 13);
    EXPECT_EQ(a.shape, 3);
}

TEST(DecideAreaShape, LandmarkRingIsAnnouncedBeforeItsLine) {
    LabelFrame frame;
    // A square ring, 60 pixels wide, line width 2, with its chord along a row.
    for (int y = 100; y < 160; ++y)
        for (int x = 100; x < 160; ++x)
            if (x < 102 || y < 102 || x >= 158 || y >= 158) frame.paint(x, y, 0);
    std::vector<recog::AreaInfo> areas{frame.record(0)};
    areas[0].cog_x = 130;
    areas[0].cog_y = 130;
    set_axis(areas[0], 100, 130, 159, 130);
    const std::string out = run_shapes(areas, frame);
    EXPECT_EQ(out, kHeading + kLandmark + area_line(0, "   0.0", "   1.0", 7, 2));
}

TEST(DecideAreaShape, WorkStorageCarriesNothingFromOneAreaToTheNext) {
    LabelFrame frame;
    frame.paint_block(10, 10, 109, 109, 0);  // a large solid block first
    for (int y = 150; y <= 174; y += 2)
        for (int x = 150; x <= 180; x += 2) frame.paint(x, y, 1);
    recog::AreaInfo block = frame.record(0);
    block.cog_x = 60;
    block.cog_y = 60;
    set_axis(block, 10, 60, 109, 60);  // not turned: covers the corner of the work image
    recog::AreaInfo lattice = frame.record(1);
    lattice.cog_x = 164;
    lattice.cog_y = 162;
    set_axis(lattice, 150, 162, 180, 162);

    std::vector<recog::AreaInfo> alone{lattice};
    const std::string alone_out = run_shapes(alone, frame);
    std::vector<recog::AreaInfo> both{block, lattice};
    const std::string both_out = run_shapes(both, frame);
    EXPECT_EQ(std::memcmp(&both[1], &alone[0], sizeof(recog::AreaInfo)), 0);
    EXPECT_EQ(both_out.substr(both_out.size() - 40), alone_out.substr(alone_out.size() - 40));
    EXPECT_EQ(both[1].col_pix_max, 13);
}

TEST(DecideLandmark, RulesInOrderWithLaterRuleWinning) {
    const std::vector<uint8_t> work(recog::kShapeWorkWidth * recog::kShapeWorkHeight, 255);
    const int box[4] = {0, 0, 0, 0};
    const int cog[2] = {0, 0};
    struct Case {
        float aspect, fill;
        int thickness, col_pix_max, expected;
    };
    const Case cases[] = {
        {5.01f, 0.5f, 1, 99, 1},   // long and thin
        {5.0f, 0.5f, 1, 99, -1},   // aspect 5.0 is not long
        {1.5f, 0.2f, 5, 16, 2},    // sparse and compact, a column of 16
        {1.5f, 0.2f, 5, 15, 3},    // ... meets rule 3 as well: 3 wins
        {5.0f, 0.29f, 3, 15, 3},   // rule 3 allows aspect 5.0
        {1.5f, 0.2f, 20, 99, -1},  // too thick for rule 2
        {2.4f, 0.61f, 6, 99, 4},   // solid and compact
        {2.5f, 0.61f, 6, 99, -1},  // aspect bound of rule 4 is strict
        {1.0f, 0.59999996f, 6, 99, -1},  // below the fill bound of rule 4
        {1.0f, 0.6f, 6, 99, 4},    // 0.6f widens to 0.60000002, above the double 0.6
        {1.0f, 0.3f, 6, 1, -1},    // 0.3f widens to 0.30000001, not below the double 0.3
    };
    for (const Case& c : cases) {
        recog::AreaInfo area{};
        area.pixnum = 100;
        area.aspect = c.aspect;
        area.fill_ratio = c.fill;
        area.thickness = c.thickness;
        area.col_pix_max = c.col_pix_max;
        area.shape = 7;
        run_landmark(area, work, box, cog);
        EXPECT_EQ(area.shape, c.expected) << "aspect " << c.aspect << " fill " << c.fill << " thickness "
                                          << c.thickness << " column " << c.col_pix_max;
    }
}

TEST(DecideLandmark, RingScoresEightOnlyWithEnoughPixelsAndACentredCentre) {
    const std::vector<uint8_t> work = ring_work_image(60);
    const int box[4] = {0, 0, 59, 59};
    const int centred[2] = {30, 30};
    recog::AreaInfo area{};
    area.pixnum = 70;
    EXPECT_EQ(run_landmark(area, work, box, centred), kLandmark);

    area.pixnum = 69;
    EXPECT_EQ(run_landmark(area, work, box, centred), "");

    area.pixnum = 70;
    const int off_centre[2] = {23, 30};  // 23 / 59 = 0.39: criterion 4 fails
    EXPECT_EQ(run_landmark(area, work, box, off_centre), "");
}

TEST(DecideLandmark, BoxNarrowerOrLowerThanThreeNeverScores) {
    // A thin ring whose thirds would all compare alike if the zero divisors were let through.
    for (const auto& [w, h] : {std::pair{2, 59}, std::pair{59, 2}, std::pair{2, 2}, std::pair{0, 0}}) {
        std::vector<uint8_t> work(recog::kShapeWorkWidth * recog::kShapeWorkHeight, 255);
        for (int y = 0; y <= h; ++y)
            for (int x = 0; x <= w; ++x) work[y * recog::kShapeWorkWidth + x] = 0;
        const int box[4] = {0, 0, w, h};
        const int cog[2] = {w / 2, h / 2};
        recog::AreaInfo area{};
        area.pixnum = 200;
        EXPECT_EQ(run_landmark(area, work, box, cog), "") << w << " x " << h;
    }
}

}  // namespace
