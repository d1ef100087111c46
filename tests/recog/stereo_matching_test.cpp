#include "recog/stereo_matching.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// A candidate with its centre, count and bounding box; everything else zero.
recog::AreaInfo candidate(int cog_x, int cog_y, int pixnum = 400, int width = 20, int height = 40) {
    recog::AreaInfo a{};
    a.cog_x = cog_x;
    a.cog_y = cog_y;
    a.pixnum = pixnum;
    a.min_x = cog_x - width / 2;
    a.max_x = a.min_x + width;
    a.min_y = cog_y - height / 2;
    a.max_y = a.min_y + height;
    return a;
}

struct Lists {
    recog::ImageInfo info[2]{};
    std::array<recog::AreaInfo, 2 * recog::kMaxAreas> areas{};
    std::array<int, recog::kMaxAreas> match{};

    Lists() { match.fill(1234); }
    void left(const recog::AreaInfo& a) { areas[info[0].area_num++] = a; }
    void right(const recog::AreaInfo& a) { areas[recog::kMaxAreas + info[1].area_num++] = a; }
    void run() { EXPECT_EQ(recog::corn_stereo_matching(info, areas.data(), match.data()), 0); }
};

TEST(stereo_rating, row_difference_sets_the_scale) {
    const recog::AreaInfo l = candidate(150, 100);
    // The right picture is 8 rows higher: row 92 there is row 100 here.
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(190, 92)), 24000.0);
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(190, 91)), 24000.0);  // dy 1 counts as 1 as well
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(190, 93)), 24000.0);
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(190, 90)), 12000.0);
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(190, 68)), 1000.0);   // dy 24
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(190, 116)), 1000.0);  // dy 24 the other way
    EXPECT_EQ(recog::stereo_rating(l, candidate(190, 67)), 0.0);             // dy 25
    EXPECT_EQ(recog::stereo_rating(l, candidate(190, 117)), 0.0);
    // Without the offset, same rows would look 8 apart.
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(190, 100)), 3000.0);
}

TEST(stereo_rating, column_gate_is_signed) {
    const recog::AreaInfo l = candidate(150, 100);
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(134, 92)), 24000.0);  // left 16 right of right
    EXPECT_EQ(recog::stereo_rating(l, candidate(133, 92)), 0.0);             // 17
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(319, 92)), 24000.0);  // any distance the other way
}

TEST(stereo_rating, size_ratios_scale_down) {
    const recog::AreaInfo l = candidate(150, 100, 400, 20, 40);
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(190, 92, 200, 20, 40)), 12000.0);  // half the count
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(190, 92, 800, 20, 40)), 12000.0);  // twice the count
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(190, 92, 400, 10, 40)), 12000.0);
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(190, 92, 400, 40, 40)), 12000.0);
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(190, 92, 400, 20, 10)), 6000.0);
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, candidate(190, 90, 200, 10, 20)), 1500.0);  // all at once
    // Reversed box corners count by their absolute extent.
    recog::AreaInfo flipped = candidate(190, 92);
    std::swap(flipped.min_x, flipped.max_x);
    EXPECT_DOUBLE_EQ(recog::stereo_rating(l, flipped), 24000.0);
}

TEST(stereo_rating, empty_extents_and_counts_never_rate) {
    // One column each: widths 0 on both sides, whatever the rows.
    EXPECT_EQ(recog::stereo_rating(candidate(150, 100, 40, 0, 40), candidate(190, 92, 40, 0, 40)), 0.0);
    EXPECT_EQ(recog::stereo_rating(candidate(150, 100, 40, 0, 40), candidate(190, 92, 40, 5, 40)), 0.0);
    EXPECT_EQ(recog::stereo_rating(candidate(150, 100, 40, 5, 40), candidate(190, 92, 40, 0, 40)), 0.0);
    EXPECT_EQ(recog::stereo_rating(candidate(150, 100, 40, 20, 0), candidate(190, 92, 40, 20, 0)), 0.0);
    EXPECT_EQ(recog::stereo_rating(candidate(150, 100, 0), candidate(190, 92, 0)), 0.0);
    EXPECT_EQ(recog::stereo_rating(candidate(150, 100, 0), candidate(190, 92, 400)), 0.0);
    EXPECT_EQ(recog::stereo_rating(candidate(150, 100, 400), candidate(190, 92, 0)), 0.0);
}

TEST(corn_stereo_matching, empty_lists) {
    Lists none;
    none.right(candidate(190, 92));
    none.run();
    EXPECT_EQ(none.match[0], 1234);  // no left candidate: nothing written

    Lists unmatched;
    unmatched.left(candidate(150, 100));
    unmatched.left(candidate(60, 50));
    unmatched.run();
    EXPECT_EQ(unmatched.match[0], -1);
    EXPECT_EQ(unmatched.match[1], -1);
    EXPECT_EQ(unmatched.match[2], 1234);  // beyond the left count: untouched
}

TEST(corn_stereo_matching, highest_rating_wins_and_ties_go_to_the_lowest_index) {
    Lists s;
    s.left(candidate(150, 100));
    s.right(candidate(190, 80));  // dy 12
    s.right(candidate(200, 91));  // dy 1: best
    s.right(candidate(210, 93));  // dy 1 as well: a tie, later index loses
    s.right(candidate(140, 92));  // dy 0, 10 columns left of the left centre: a tie too
    s.run();
    EXPECT_EQ(s.match[0], 1);

    // dy 2 and half the count against dy 0: 12000 both, in either order.
    Lists t;
    t.left(candidate(150, 100));
    t.right(candidate(190, 90));
    t.right(candidate(190, 92, 200));
    t.run();
    EXPECT_EQ(t.match[0], 0);
    Lists u;
    u.left(candidate(150, 100));
    u.right(candidate(190, 92, 200));
    u.right(candidate(190, 90));
    u.run();
    EXPECT_EQ(u.match[0], 0);
}

TEST(corn_stereo_matching, several_left_candidates_may_choose_one_right_candidate) {
    Lists s;
    s.left(candidate(100, 100));
    s.left(candidate(150, 104));
    s.left(candidate(20, 200));  // rows too far from anything
    s.right(candidate(160, 92));
    s.right(candidate(300, 150, 30, 4, 6));
    s.run();
    EXPECT_EQ(s.match[0], 0);
    EXPECT_EQ(s.match[1], 0);
    EXPECT_EQ(s.match[2], -1);
}

TEST(corn_stereo_matching, the_best_rating_is_taken_even_at_an_implausible_offset) {
    Lists s;
    s.left(candidate(150, 100));
    s.right(candidate(152, 92));  // 2 columns: no valid distance, but rated highest
    s.right(candidate(190, 84));  // a valid distance, dy 16
    s.run();
    EXPECT_EQ(s.match[0], 0);
}

TEST(corn_stereo_matching, full_lists_and_counts_beyond_them) {
    Lists s;
    for (int i = 0; i < recog::kMaxAreas; ++i) {
        s.left(candidate(i, 20 + 3 * (i % 8)));
        s.right(candidate(400, 12 + 3 * (i % 8)));
    }
    s.run();
    // Rows of the same phase fit best; of those the first right candidate wins.
    for (int i = 0; i < recog::kMaxAreas; ++i) ASSERT_EQ(s.match[i], i % 8) << "left " << i;

    // A count beyond the 256 entries must not run past the lists.
    s.info[0].area_num = 1000;
    s.info[1].area_num = 1000;
    s.match.fill(-7);
    s.run();
    for (int i = 0; i < recog::kMaxAreas; ++i) ASSERT_EQ(s.match[i], i % 8) << "left " << i;
}

}  // namespace
