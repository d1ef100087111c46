// The fast labeling and measures against the word-for-word versions, on random frames of several
// densities and shapes, field by field and plane by plane.

#include <gtest/gtest.h>

#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <vector>

#include "platform/console.h"
#include "recog/area_measure.h"
#include "recog/labeling.h"
#include "tests/recog/binary_frame.h"
#include "tests/recog/literal_recognition.h"

namespace {

using recog_test::BinaryFrame;

enum class Kind { noise, blobs, strokes, mixed };

// Paints foreground (0) into the frame; noise at the given density, or shapes.
void paint(Kind kind, double density, std::mt19937& rng, BinaryFrame& f) {
    cv::Mat m(recog::kFrameHeight, recog::kFrameWidth, CV_8UC1, f.plane);
    std::uniform_int_distribution<int> col(0, recog::kFrameWidth - 1), row(0, recog::kFrameHeight - 1),
        size(1, 30);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    if (kind == Kind::noise || kind == Kind::mixed) {
        for (int k = 0; k < recog::kFramePixels; ++k)
            if (unit(rng) < density) f.plane[k] = 0;
    }
    if (kind == Kind::blobs || kind == Kind::mixed) {
        const int n = 1 + static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) {
            const cv::Point c(col(rng), row(rng));
            if (rng() % 2)
                cv::rectangle(m, c, c + cv::Point(size(rng), size(rng)), 0, cv::FILLED);
            else
                cv::ellipse(m, c, cv::Size(size(rng), size(rng)), static_cast<double>(rng() % 180), 0, 360, 0,
                            cv::FILLED);
        }
    }
    if (kind == Kind::strokes || kind == Kind::mixed) {
        // Vs, combs and rings: shapes that get several provisional labels and merge late.
        const int n = 1 + static_cast<int>(rng() % 30);
        for (int i = 0; i < n; ++i) {
            const cv::Point a(col(rng), row(rng));
            const cv::Point b = a + cv::Point(size(rng) - 15, size(rng));
            const cv::Point c = b + cv::Point(size(rng) - 15, -size(rng));
            cv::line(m, a, b, 0, 1 + static_cast<int>(rng() % 2));
            cv::line(m, b, c, 0, 1);
            if (rng() % 4 == 0) cv::circle(m, a, size(rng), 0, 1);
        }
    }
}

struct Case {
    BinaryFrame frame;
    int y_start = 1, y_end = 239;
};

// Expected state of the fast code after label_regions and get_area_info, from the literal code.
struct Expected {
    std::unique_ptr<recog::ImageAtt> att;
    recog::AreaInfo areas[recog::kMaxAreas];
    int area_num = 0;
    int literal_regions = 0;
    int provisional = 0;
    std::string labeling_text;
    std::string measure_text;
};

void expect_literal(const Case& c, const recog::AreaInfo* start, Expected& e) {
    e.att = c.frame.att();
    std::vector<recog::AreaInfo> entries;
    e.literal_regions = literal::label_regions(c.y_start, c.y_end, e.att.get(), entries);
    e.provisional = static_cast<int>(entries.size());
    std::memcpy(e.areas, start, sizeof e.areas);
    for (int k = 0; k < std::min(e.provisional, recog::kMaxAreas); ++k) {
        e.areas[k].id = entries[k].id;
        e.areas[k].pix_value = entries[k].pix_value;
        e.areas[k].new_id = entries[k].new_id;
    }
    e.area_num = std::min(e.literal_regions, recog::kMaxAreas);
    if (e.literal_regions > recog::kMaxAreas) {
        // Regions after the 256th are dropped: their pixels in the rewritten rows lose their label.
        for (int y = c.y_start + 1; y <= c.y_end - 1; ++y)
            for (int x = 1; x <= 318; ++x)
                if (e.att->label[y * recog::kFrameWidth + x] >= recog::kMaxAreas)
                    e.att->label[y * recog::kFrameWidth + x] = -1;
        e.labeling_text = "警告：領域数が256を超えました。257番目以降の領域は無視します。(label_regions)\n";
    }
}

// Compares the state after labeling, then measures both and compares again; returns the
// number of differences found (0 when identical).
int compare_case(const Case& c, std::mt19937& rng) {
    recog::AreaInfo start[recog::kMaxAreas];
    for (auto& a : start) {
        int32_t words[30];
        for (int32_t& w : words) w = static_cast<int32_t>(rng() % 1000);
        std::memcpy(&a, words, sizeof a);
    }
    Expected e;
    expect_literal(c, start, e);

    auto att = c.frame.att();
    recog::AreaInfo areas[recog::kMaxAreas];
    std::memcpy(areas, start, sizeof areas);
    recog::ImageInfo info = recog_test::window(c.y_start, c.y_end);
    std::string labeling_text;
    {
        platform::ConsoleRedirect capture(&labeling_text);
        recog::label_regions(&info, areas, att.get());
    }
    const std::string where = "window " + std::to_string(c.y_start) + ".." + std::to_string(c.y_end) +
                              ", provisional " + std::to_string(e.provisional) + ", regions " +
                              std::to_string(e.literal_regions);
    int differences = 0;
    auto check = [&](bool same, const std::string& what) {
        if (!same) {
            ++differences;
            ADD_FAILURE() << what << " differs; " << where;
        }
    };
    check(info.area_num == e.area_num, "area_num");
    check(labeling_text == e.labeling_text, "labeling output");
    check(std::memcmp(att->value, e.att->value, sizeof att->value) == 0, "value plane");
    for (int k = 0; k < recog::kFramePixels; ++k) {
        if (att->label[k] != e.att->label[k]) {
            check(false, "label at x " + std::to_string(k % recog::kFrameWidth) + " y " +
                             std::to_string(k / recog::kFrameWidth));
            break;
        }
    }
    check(std::memcmp(areas, e.areas, sizeof areas) == 0, "entries after labeling");
    if (differences) return differences;

    e.measure_text = literal::get_area_info(c.y_start, c.y_end, e.area_num, e.areas, e.att.get());
    std::string measure_text;
    {
        platform::ConsoleRedirect capture(&measure_text);
        recog::get_area_info(&info, areas, att.get());
    }
    for (int k = 0; k < recog::kMaxAreas; ++k) {
        if (std::memcmp(&areas[k], &e.areas[k], sizeof(recog::AreaInfo)) != 0) {
            check(false, "entry " + std::to_string(k) + " after measuring");
            break;
        }
    }
    check(measure_text == e.measure_text, "printed table");
    return differences;
}

// Random window: mostly short ones (the literal code rewrites the window at every merge, so its
// cost grows with window size times merges), sometimes the cone finder's.
void random_window(std::mt19937& rng, bool full_allowed, Case& c) {
    if (full_allowed && rng() % 3 == 0) {
        c.y_start = 1;
        c.y_end = 239;
        return;
    }
    c.y_start = 1 + static_cast<int>(rng() % 200);
    c.y_end = std::min(240, c.y_start + static_cast<int>(rng() % 40));
}

TEST(labeling_differential, noise_frames_of_several_densities) {
    std::mt19937 rng(1);
    const double densities[] = {0.02, 0.1, 0.3, 0.45, 0.6, 0.75, 0.95};
    int failures = 0;
    for (int i = 0; i < 1400 && failures < 3; ++i) {
        Case c;
        paint(Kind::noise, densities[i % 7], rng, c.frame);
        random_window(rng, false, c);
        failures += compare_case(c, rng) != 0;
    }
}

TEST(labeling_differential, shapes_in_short_and_full_windows) {
    std::mt19937 rng(2);
    int failures = 0;
    for (int i = 0; i < 1200 && failures < 3; ++i) {
        Case c;
        paint(i % 2 ? Kind::blobs : Kind::strokes, 0, rng, c.frame);
        random_window(rng, true, c);
        failures += compare_case(c, rng) != 0;
    }
}

TEST(labeling_differential, shapes_over_noise) {
    std::mt19937 rng(3);
    int failures = 0;
    for (int i = 0; i < 600 && failures < 3; ++i) {
        Case c;
        paint(Kind::mixed, 0.05 + 0.1 * (i % 6), rng, c.frame);
        random_window(rng, false, c);
        failures += compare_case(c, rng) != 0;
    }
}

// Windows that start at row 0 (nothing above the first row) or end at the last row of the frame.
TEST(labeling_differential, windows_at_the_frame_edges) {
    std::mt19937 rng(5);
    int failures = 0;
    for (int i = 0; i < 240 && failures < 3; ++i) {
        Case c;
        paint(i % 3 == 0 ? Kind::noise : Kind::mixed, 0.1 + 0.1 * (i % 6), rng, c.frame);
        const bool top = i % 2 == 0;
        c.y_start = top ? static_cast<int>(rng() % 2) : 200 + static_cast<int>(rng() % 30);
        c.y_end = top ? 2 + static_cast<int>(rng() % 40) : 239 + static_cast<int>(rng() % 2);
        failures += compare_case(c, rng) != 0;
    }
}

// The measures on planes the labeling never leaves: labels in runs with gaps, labels the list does
// not have (beyond it, or below -1), labeled pixels whose value is not 0, and windows reaching past
// the frame, against the word-for-word scans.
TEST(area_measure_differential, arbitrary_label_planes) {
    std::mt19937 rng(6);
    int failures = 0;
    for (int i = 0; i < 300 && failures < 3; ++i) {
        const int count = 1 + static_cast<int>(rng() % (i % 5 == 0 ? 256 : 12));
        auto att = std::make_unique<recog::ImageAtt>();
        std::uniform_int_distribution<int> run_length(1, i % 2 ? 4 : 40);
        const int32_t odd_labels[] = {-1, -1, -1, -1, count, count + 7, 300, -2, -1000};
        for (int k = 0; k < recog::kFramePixels;) {
            // A run of one label; a few pixels inside it differ.
            const int32_t l = rng() % 3 == 0 ? odd_labels[rng() % 9] : static_cast<int32_t>(rng() % count);
            for (int n = run_length(rng); n > 0 && k < recog::kFramePixels; --n, ++k) {
                att->label[k] = rng() % 16 == 0 ? static_cast<int32_t>(rng() % count) : l;
                att->value[k] = rng() % 10 == 0 ? (rng() % 2 ? 255 : 7) : 0;
            }
        }
        int y_start = static_cast<int>(rng() % 250) - 5;
        int y_end = y_start + static_cast<int>(rng() % 120);
        if (i % 4 == 0) {
            y_start = -3 + static_cast<int>(rng() % 5);
            y_end = 238 + static_cast<int>(rng() % 8);
        }
        if (i == 1) {  // one region over the whole frame: every column counts all 240 rows
            std::fill(att->label, att->label + recog::kFramePixels, 0);
            std::fill(att->value, att->value + recog::kFramePixels, 0);
            y_start = -1;
            y_end = recog::kFrameHeight;
        }
        recog::AreaInfo areas[recog::kMaxAreas], expected[recog::kMaxAreas];
        for (auto& a : areas) {
            int32_t words[30];
            for (int32_t& w : words) w = static_cast<int32_t>(rng() % 1000);
            std::memcpy(&a, words, sizeof a);
        }
        std::memcpy(expected, areas, sizeof areas);
        // The literal scans read only rows inside the frame.
        const std::string expected_text = literal::get_area_info(
            std::max(y_start, -1), std::min(y_end, recog::kFrameHeight), count, expected, att.get());
        recog::ImageInfo info = recog_test::window(y_start, y_end);
        info.area_num = count;
        std::string text;
        {
            platform::ConsoleRedirect capture(&text);
            recog::get_area_info(&info, areas, att.get());
        }
        const std::string where = "case " + std::to_string(i) + ", window " + std::to_string(y_start) + ".." +
                                  std::to_string(y_end) + ", count " + std::to_string(count);
        bool same = text == expected_text;
        EXPECT_TRUE(same) << "printed table differs; " << where;
        for (int k = 0; k < recog::kMaxAreas; ++k) {
            if (std::memcmp(&areas[k], &expected[k], sizeof(recog::AreaInfo)) != 0) {
                ADD_FAILURE() << "entry " << k << " differs; " << where;
                same = false;
                break;
            }
        }
        failures += !same;
    }
}

// Frames with far more than 256 provisional labels: some end with few regions (dense noise
// percolates), some with more than 256 (sparse noise), where the first 256 are kept.
TEST(labeling_differential, many_provisional_labels) {
    std::mt19937 rng(4);
    int over_capacity = 0, many_provisional = 0, failures = 0;
    for (int i = 0; i < 160 && failures < 3; ++i) {
        Case c;
        paint(Kind::noise, i % 2 ? 0.12 : 0.62, rng, c.frame);
        c.y_start = 1 + static_cast<int>(rng() % 150);
        c.y_end = c.y_start + 40 + static_cast<int>(rng() % 40);
        Expected probe;
        recog::AreaInfo start[recog::kMaxAreas] = {};
        expect_literal(c, start, probe);
        over_capacity += probe.literal_regions > recog::kMaxAreas;
        many_provisional += probe.provisional > recog::kMaxAreas && probe.literal_regions <= recog::kMaxAreas;
        failures += compare_case(c, rng) != 0;
    }
    EXPECT_GT(over_capacity, 20);
    EXPECT_GT(many_provisional, 20);
}

}  // namespace

// The most provisional labels a frame can make: a new label needs background (or the window's
// edge) on its left and above, so new labels never touch, and a foreground pixel at every other
// column of every other row gives 159 x 120 of them. Then the same dots over a comb whose teeth
// merge late, so labels near that count also go through the merge pass.
TEST(labeling_differential, densest_provisional_labels) {
    std::mt19937 rng(5);
    for (int comb = 0; comb < 2; ++comb) {
        Case c;
        c.y_start = 0;
        c.y_end = recog::kFrameHeight;
        for (int y = 0; y < recog::kFrameHeight; y += 2)
            for (int x = 1; x < recog::kFrameWidth - 1; x += 2) c.frame.plane[y * recog::kFrameWidth + x] = 0;
        if (comb) {
            for (int y = 200; y < recog::kFrameHeight; ++y)
                for (int x = 1; x < recog::kFrameWidth - 1; ++x)
                    if (y >= 220 || x % 2 == 1) c.frame.plane[y * recog::kFrameWidth + x] = 0;
        }
        Expected probe;
        recog::AreaInfo start[recog::kMaxAreas] = {};
        expect_literal(c, start, probe);
        if (!comb) {
            EXPECT_EQ(probe.provisional, 159 * 120);
        }
        EXPECT_GT(probe.provisional, 15000);
        EXPECT_EQ(compare_case(c, rng), 0) << (comb ? "dots over a comb" : "dots");
    }
}
