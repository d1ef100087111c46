#include "recog/labeling.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/console.h"
#include "recog/area_measure.h"
#include "tests/recog/binary_frame.h"

namespace {

using recog_test::BinaryFrame;
using recog_test::label_at;
using recog_test::window;

// A frame labeled with a window (by default the cone finder's), the output captured.
struct Labeled {
    std::unique_ptr<recog::ImageAtt> att;
    recog::ImageInfo info;
    recog::AreaInfo areas[recog::kMaxAreas + 1];  // one spare entry that must never be written
    std::string printed;

    explicit Labeled(const BinaryFrame& f, int y_start = 1, int y_end = 239)
        : att(f.att()), info(window(y_start, y_end)) {
        std::memset(areas, 0x5a, sizeof areas);
        platform::ConsoleRedirect capture(&printed);
        recog::label_regions(&info, areas, att.get());
    }
    int at(int x, int y) const { return label_at(*att, x, y); }
};

TEST(label_regions, empty_frame_has_no_regions) {
    Labeled l{BinaryFrame()};
    EXPECT_EQ(l.info.area_num, 0);
    for (int k = 0; k < recog::kFramePixels; ++k) ASSERT_EQ(l.att->label[k], -1);
}

TEST(label_regions, single_pixel_and_corner_touching_pixels) {
    BinaryFrame f;
    f.set(1, 2);                     // first column of the window
    f.set(40, 40);                   // touches the next one only at a corner
    f.set(41, 41);
    f.set(39, 42);                   // two rows below (40, 40): apart
    Labeled l{f};
    ASSERT_EQ(l.info.area_num, 3);
    EXPECT_EQ(l.at(1, 2), 0);
    EXPECT_EQ(l.at(40, 40), 1);
    EXPECT_EQ(l.at(41, 41), 1);
    EXPECT_EQ(l.at(39, 42), 2);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(l.areas[k].id, k);
        EXPECT_EQ(l.areas[k].new_id, k);
        EXPECT_EQ(l.areas[k].pix_value, 0);
    }
}

TEST(label_regions, rectangles_numbered_in_raster_order_of_first_pixel) {
    BinaryFrame f;
    f.fill(100, 50, 120, 70);  // starts higher, further right
    f.fill(20, 60, 40, 90);
    Labeled l{f};
    ASSERT_EQ(l.info.area_num, 2);
    EXPECT_EQ(l.at(110, 60), 0);
    EXPECT_EQ(l.at(30, 80), 1);
}

// Left stroke (label 0), a dot (label 1), right stroke (label 2), the strokes joined by a bar.
// The first centre that sees both strokes carries label 0 and finds label 2: 0 is merged away and
// 2 survives, so the dot becomes region 0 and the V region 1.
TEST(label_regions, merge_keeps_neighbour_label) {
    BinaryFrame f;
    f.fill(10, 10, 10, 20);
    f.set(30, 11);
    f.fill(14, 12, 14, 20);
    f.fill(10, 21, 14, 21);
    Labeled l{f};
    ASSERT_EQ(l.info.area_num, 2);
    EXPECT_EQ(l.at(30, 11), 0);
    for (int y = 10; y <= 21; ++y) EXPECT_EQ(l.at(10, y), 1) << y;
    for (int y = 12; y <= 21; ++y) EXPECT_EQ(l.at(14, y), 1) << y;
}

TEST(label_regions, v_shape_becomes_one_region) {
    BinaryFrame f;
    for (int i = 0; i < 20; ++i) {
        f.set(60 + i, 100 + i);  // down to the right
        f.set(100 - i, 100 + i);  // down to the left; they meet at (80, 120)
    }
    f.set(80, 120);
    Labeled l{f};
    ASSERT_EQ(l.info.area_num, 1);
    EXPECT_EQ(l.at(60, 100), 0);
    EXPECT_EQ(l.at(100, 100), 0);
    EXPECT_EQ(l.at(80, 120), 0);
    // The second provisional label was merged away; its entry says so.
    EXPECT_EQ(l.areas[1].id, -1);
    EXPECT_EQ(l.areas[1].new_id, -1);
}

// Row y_start is labeled but never rewritten: a V whose strokes start there keeps two different
// provisional labels in that row, and a blob lying only in that row is a region of its own.
TEST(label_regions, row_y_start_keeps_provisional_labels) {
    BinaryFrame f;
    f.fill(10, 1, 10, 10);
    f.fill(14, 1, 14, 10);
    f.fill(10, 11, 14, 11);
    f.fill(100, 1, 102, 1);  // only in row 1
    Labeled l{f};
    ASSERT_EQ(l.info.area_num, 2);
    EXPECT_EQ(l.at(10, 1), 0);   // provisional 0, merged away below
    EXPECT_EQ(l.at(14, 1), 1);   // provisional 1, the survivor
    EXPECT_EQ(l.at(101, 1), 2);  // provisional 2, final number 1
    for (int y = 2; y <= 11; ++y) EXPECT_EQ(l.at(10, y), 0) << y;
    for (int y = 2; y <= 11; ++y) EXPECT_EQ(l.at(14, y), 0) << y;

    std::string out;
    platform::ConsoleRedirect capture(&out);
    recog::get_area_info(&l.info, l.areas, l.att.get());
    EXPECT_EQ(l.areas[1].pixnum, 0);
    EXPECT_GT(l.areas[0].pixnum, 0);
}

// Pixels that touch only through a link that no centre of the merge window examines stay apart:
// here the two strokes meet in the last row of the window, next to no merge centre of either.
TEST(label_regions, link_outside_merge_window_is_not_followed) {
    BinaryFrame f;
    f.fill(10, 200, 10, 238);
    f.fill(13, 200, 13, 238);
    f.fill(11, 238, 12, 238);
    Labeled l{f};
    EXPECT_EQ(l.info.area_num, 2);
    EXPECT_EQ(l.at(11, 238), 0);
    EXPECT_EQ(l.at(12, 238), 1);
}

TEST(label_regions, pixels_outside_the_window_stay_unlabeled) {
    BinaryFrame f;
    f.fill(0, 0, 319, 239);
    Labeled l{f, 50, 60};
    ASSERT_EQ(l.info.area_num, 1);
    for (int y = 0; y < recog::kFrameHeight; ++y) {
        for (int x = 0; x < recog::kFrameWidth; ++x) {
            const bool inside = y >= 50 && y <= 59 && x >= 1 && x <= 318;
            ASSERT_EQ(l.at(x, y), inside ? 0 : -1) << x << "," << y;
        }
    }
}

TEST(label_regions, window_outside_the_frame_is_clipped) {
    BinaryFrame f;
    f.fill(5, 0, 8, 3);
    f.fill(5, 237, 8, 239);
    Labeled l{f, -5, 400};
    EXPECT_EQ(l.info.area_num, 2);
    EXPECT_EQ(l.at(5, 0), 0);
    EXPECT_EQ(l.at(8, 239), 1);
    Labeled empty{f, 100, 100};
    EXPECT_EQ(empty.info.area_num, 0);
}

TEST(label_regions, more_than_256_regions_keeps_the_first_256) {
    BinaryFrame f;
    for (int i = 0; i < 300; ++i) f.set(2 + 4 * (i % 75), 10 + 4 * (i / 75));
    Labeled l{f};
    ASSERT_EQ(l.info.area_num, recog::kMaxAreas);
    EXPECT_EQ(l.printed,
              "警告：領域数が256を超えました。257番目以降の領域は無視します。(label_regions)\n");
    for (int i = 0; i < 300; ++i) {
        const int x = 2 + 4 * (i % 75), y = 10 + 4 * (i / 75);
        ASSERT_EQ(l.at(x, y), i < recog::kMaxAreas ? i : -1) << i;
    }
    for (int k = 0; k < recog::kMaxAreas; ++k) ASSERT_EQ(l.areas[k].id, k);
    recog::AreaInfo untouched;
    std::memset(&untouched, 0x5a, sizeof untouched);
    EXPECT_EQ(std::memcmp(&l.areas[recog::kMaxAreas], &untouched, sizeof untouched), 0);
}

TEST(replace_label, only_inside_the_replacement_window) {
    auto att = BinaryFrame().att();
    std::fill(att->label, att->label + recog::kFramePixels, 7);
    const recog::ImageInfo w = window(10, 20);
    recog::replace_label(&w, 7, 3, att.get());
    for (int y = 0; y < recog::kFrameHeight; ++y) {
        for (int x = 0; x < recog::kFrameWidth; ++x) {
            const bool inside = y >= 11 && y <= 19 && x >= 1 && x <= 318;
            ASSERT_EQ(label_at(*att, x, y), inside ? 3 : 7) << x << "," << y;
        }
    }
}

TEST(mask_by_size, region_must_be_larger_than_min_size) {
    BinaryFrame f;
    f.fill(10, 10, 17, 17);  // 64 pixels
    f.fill(50, 10, 54, 22);  // 65 pixels
    f.set(100, 100);
    Labeled l{f};
    {
        std::string out;
        platform::ConsoleRedirect capture(&out);
        recog::get_area_info(&l.info, l.areas, l.att.get());
    }
    uint8_t mask[recog::kFramePixels];
    std::fill(mask, mask + recog::kFramePixels, uint8_t{77});
    recog::mask_by_size(l.areas, l.att.get(), mask, 64);
    for (int y = 0; y < recog::kFrameHeight; ++y) {
        for (int x = 0; x < recog::kFrameWidth; ++x) {
            const bool big = x >= 50 && x <= 54 && y >= 10 && y <= 22;
            ASSERT_EQ(mask[y * recog::kFrameWidth + x], big ? 255 : 0) << x << "," << y;
        }
    }
}

TEST(mask_by_size, labels_beyond_the_list_count_as_unlabeled) {
    auto att = BinaryFrame().att();
    att->label[5] = 100000;
    att->label[6] = 3;
    recog::AreaInfo areas[recog::kMaxAreas] = {};
    areas[3].pixnum = 1000;
    uint8_t mask[recog::kFramePixels];
    recog::mask_by_size(areas, att.get(), mask, 64);
    EXPECT_EQ(mask[5], 0);
    EXPECT_EQ(mask[6], 255);
}

}  // namespace
