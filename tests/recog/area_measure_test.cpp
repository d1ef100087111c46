#include "recog/area_measure.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/console.h"
#include "recog/labeling.h"
#include "tests/recog/binary_frame.h"

namespace {

using recog_test::BinaryFrame;
using recog_test::window;

// Labels and measures a frame with the cone finder's window; every entry starts filled with a
// marker so that fields the measures must not touch can be checked.
struct Measured {
    std::unique_ptr<recog::ImageAtt> att;
    recog::ImageInfo info = window(1, 239);
    recog::AreaInfo areas[recog::kMaxAreas];
    std::string printed;

    explicit Measured(const BinaryFrame& f) : att(f.att()) {
        std::memset(areas, 0x11, sizeof areas);
        platform::ConsoleRedirect capture(&printed);
        recog::label_regions(&info, areas, att.get());
        printed.clear();
        recog::get_area_info(&info, areas, att.get());
    }
};

constexpr int32_t kMarker = 0x11111111;

void expect_point(int x, int y, int ex, int ey, const char* what) {
    EXPECT_EQ(x, ex) << what;
    EXPECT_EQ(y, ey) << what;
}

TEST(get_area_info, three_by_three_square) {
    BinaryFrame f;
    f.fill(20, 10, 22, 12);
    Measured m{f};
    ASSERT_EQ(m.info.area_num, 1);
    const recog::AreaInfo& a = m.areas[0];
    EXPECT_EQ(a.pixnum, 9);
    expect_point(a.cog_x, a.cog_y, 21, 11, "centre");
    expect_point(a.min_x, a.min_y, 20, 10, "box min");
    expect_point(a.max_x, a.max_y, 22, 12, "box max");
    expect_point(a.left_x, a.left_y, 20, 12, "leftmost: lowest of the left column");
    expect_point(a.top_x, a.top_y, 22, 10, "topmost: rightmost of the top row");
    expect_point(a.right_x, a.right_y, 22, 12, "rightmost");
    expect_point(a.bottom_x, a.bottom_y, 22, 12, "bottom-most");
    expect_point(a.axis_x1, a.axis_y1, 20, 12, "axis start");
    expect_point(a.axis_x2, a.axis_y2, 22, 10, "axis end");
    // Fields of the shape decision stay as they were.
    EXPECT_EQ(a.shape, kMarker);
    EXPECT_EQ(a.thickness, kMarker);
    EXPECT_EQ(a.col_pix_max, kMarker);
    int32_t direction_bits;
    std::memcpy(&direction_bits, &a.direction, 4);
    EXPECT_EQ(direction_bits, kMarker);
    EXPECT_EQ(m.printed, "\n get_area_info\n   0 : 面積 =      9  --- 重心 X =   21 , Y =   11\n対象エリア数:    1\n");
}

TEST(get_area_info, single_pixel_and_two_pixel_run) {
    BinaryFrame f;
    f.set(10, 5);
    f.set(11, 5);
    f.set(200, 100);
    Measured m{f};
    ASSERT_EQ(m.info.area_num, 2);
    const recog::AreaInfo& run = m.areas[0];
    EXPECT_EQ(run.pixnum, 2);
    expect_point(run.cog_x, run.cog_y, 10, 5, "run centre");
    const recog::AreaInfo& dot = m.areas[1];
    EXPECT_EQ(dot.pixnum, 1);
    expect_point(dot.cog_x, dot.cog_y, 0, 0, "a single pixel has no centre");
    for (const auto& [x, y] : {std::pair{dot.min_x, dot.min_y}, {dot.max_x, dot.max_y}, {dot.left_x, dot.left_y},
                               {dot.top_x, dot.top_y}, {dot.right_x, dot.right_y}, {dot.bottom_x, dot.bottom_y},
                               {dot.axis_x1, dot.axis_y1}, {dot.axis_x2, dot.axis_y2}})
        expect_point(x, y, 200, 100, "dot");
}

// Row-major and column-major medians differ for an L shape: the centre is not a mean.
TEST(get_area_info, centre_is_the_median_of_each_scan_order) {
    BinaryFrame f;
    f.fill(30, 30, 30, 39);  // vertical bar, 10 pixels
    f.fill(31, 39, 36, 39);  // foot to the right, 6 pixels
    Measured m{f};
    const recog::AreaInfo& a = m.areas[0];
    EXPECT_EQ(a.pixnum, 16);
    // Row-major, 8th pixel: rows 30..37 hold one pixel each.
    EXPECT_EQ(a.cog_y, 37);
    // Column-major, 8th pixel: column 30 holds 10.
    EXPECT_EQ(a.cog_x, 30);
    // Leftmost: lowest of column 30; topmost (30, 30); rightmost (36, 39); bottom: rightmost of row 39.
    expect_point(a.left_x, a.left_y, 30, 39, "leftmost");
    expect_point(a.top_x, a.top_y, 30, 30, "topmost");
    expect_point(a.bottom_x, a.bottom_y, 36, 39, "bottom-most");
    // Chords: P0-P1 = 9, P0-P2 = 6, P1-P2 = sqrt(36 + 81): the longest, top to right.
    expect_point(a.axis_x1, a.axis_y1, 30, 30, "axis start");
    expect_point(a.axis_x2, a.axis_y2, 36, 39, "axis end");
}

TEST(get_area_info, region_only_in_row_y_start_has_no_pixels) {
    BinaryFrame f;
    f.fill(50, 1, 55, 1);
    Measured m{f};
    ASSERT_EQ(m.info.area_num, 1);
    const recog::AreaInfo& a = m.areas[0];
    EXPECT_EQ(a.pixnum, 0);
    expect_point(a.cog_x, a.cog_y, 0, 0, "centre");
    expect_point(a.min_x, a.min_y, 319, 239, "box min is left inverted");
    expect_point(a.max_x, a.max_y, 0, 0, "box max is left inverted");
    EXPECT_EQ(a.left_x, kMarker);
    EXPECT_EQ(a.axis_y2, kMarker);
    EXPECT_EQ(m.printed, "\n get_area_info\n   0 : 面積 =      0  --- 重心 X =    0 , Y =    0\n対象エリア数:    0\n");
}

TEST(get_area_info, no_regions_prints_heading_and_count) {
    Measured m{BinaryFrame()};
    EXPECT_EQ(m.printed, "\n get_area_info\n対象エリア数:    0\n");
}

TEST(get_area_info, ignores_labels_that_name_no_entry) {
    BinaryFrame f;
    f.fill(10, 10, 12, 12);
    Measured m{f};
    m.att->label[11 * recog::kFrameWidth + 11] = 5000;  // not a region of the list
    m.att->label[10 * recog::kFrameWidth + 10] = -1;    // a foreground pixel that lost its region
    std::string out;
    platform::ConsoleRedirect capture(&out);
    recog::get_area_info(&m.info, m.areas, m.att.get());
    EXPECT_EQ(m.areas[0].pixnum, 7);
}

// The box and extreme pixels follow every labeled pixel, the count only those of value 0.
TEST(get_area_info, labeled_pixel_that_is_not_foreground_is_not_counted) {
    BinaryFrame f;
    f.fill(10, 10, 12, 12);
    Measured m{f};
    m.att->value[13 * recog::kFrameWidth + 14] = 255;
    m.att->label[13 * recog::kFrameWidth + 14] = 0;
    std::string out;
    platform::ConsoleRedirect capture(&out);
    recog::get_area_info(&m.info, m.areas, m.att.get());
    EXPECT_EQ(m.areas[0].pixnum, 9);
    expect_point(m.areas[0].max_x, m.areas[0].max_y, 14, 13, "box max");
    expect_point(m.areas[0].bottom_x, m.areas[0].bottom_y, 14, 13, "bottom-most");
}

}  // namespace
