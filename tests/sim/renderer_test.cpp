#include "sim/renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/core.hpp>
#include <set>

#include "sim/gaussian_noise.h"

namespace {

using sim::View;

// What the recognition measures of a region: median centre and bounding box.
struct Measured {
    int n = 0;
    int cog_x = 0, cog_y = 0;
    int min_x = 1 << 30, min_y = 1 << 30, max_x = -1, max_y = -1;
};

bool is_colour(const cv::Mat& f, int r, int c, const sim::Rgb& rgb) {
    const cv::Vec3b p = f.at<cv::Vec3b>(r, c);
    return p[0] == rgb.b && p[1] == rgb.g && p[2] == rgb.r;
}

// Distance between the colour directions (unit vectors) of a BGR pixel and a colour.
double chord(const cv::Vec3b& p, const sim::Rgb& c) {
    const double m = std::hypot(p[0], p[1], p[2]), cm = std::hypot(c.r, c.g, c.b);
    return std::hypot(p[2] / m - c.r / cm, p[1] / m - c.g / cm, p[0] / m - c.b / cm);
}

// Pixels of the colour inside the window, counted the way the labeling pass measures a region:
// centre row from row-major order, centre column from column-major order, floor(n/2)-th pixel.
Measured measure(const cv::Mat& f, const sim::Rgb& rgb, cv::Rect win = {0, 0, 1 << 20, 1 << 20}) {
    win &= cv::Rect(0, 0, f.cols, f.rows);
    Measured m;
    for (int r = win.y; r < win.br().y; ++r)
        for (int c = win.x; c < win.br().x; ++c)
            if (is_colour(f, r, c, rgb)) {
                ++m.n;
                m.min_x = std::min(m.min_x, c), m.max_x = std::max(m.max_x, c);
                m.min_y = std::min(m.min_y, r), m.max_y = std::max(m.max_y, r);
            }
    int k = 0;
    for (int r = win.y; r < win.br().y; ++r)
        for (int c = win.x; c < win.br().x; ++c)
            if (is_colour(f, r, c, rgb) && k < m.n / 2) ++k, m.cog_y = r;
    k = 0;
    for (int c = win.x; c < win.br().x; ++c)
        for (int r = win.y; r < win.br().y; ++r)
            if (is_colour(f, r, c, rgb) && k < m.n / 2) ++k, m.cog_x = c;
    return m;
}

void expect_on_projection(const Measured& m, const sim::ConeTruth& t, const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_GT(m.n, 0);
    EXPECT_NEAR(m.cog_x, t.col, 1.0);
    EXPECT_NEAR(m.cog_y, t.row, 1.0);
    EXPECT_NEAR(m.max_x - m.min_x + 1, t.pixel_width, 2.0);
    EXPECT_NEAR(m.max_y - m.min_y + 1, t.pixel_height, 1.0);
}

sim::Scene one_cone(double x, double y, double z, double h = 100, double w = 70) {
    sim::Scene s;
    s.cones.push_back(sim::Cone{x, y, z, h, w});
    return s;
}

TEST(projection, formulas_of_the_stereo_rig_and_the_single_camera) {
    const sim::Cone cone{1000, 0, 0, 100, 70};
    const auto l = sim::project(cone, View::left), r = sim::project(cone, View::right);
    const auto s = sim::project(cone, View::single);
    EXPECT_DOUBLE_EQ(l.col, 139.35);
    EXPECT_DOUBLE_EQ(l.row, 120);
    EXPECT_DOUBLE_EQ(l.pixel_height, 29.5);
    EXPECT_DOUBLE_EQ(l.pixel_width, 20.65);
    EXPECT_DOUBLE_EQ(r.col, 139.35 + 7 + 41.3);
    EXPECT_DOUBLE_EQ(r.row, 112);
    EXPECT_DOUBLE_EQ(s.col, 320);
    EXPECT_DOUBLE_EQ(s.pixel_height, 59);
    const auto up = sim::project(sim::Cone{500, 100, 50, 100, 70}, View::single);
    EXPECT_DOUBLE_EQ(up.col, 320 - 118);  // left of the centre line lands left in the picture
    EXPECT_DOUBLE_EQ(up.row, 240 - 59);   // up lands higher
    EXPECT_TRUE(l.in_view && r.in_view && s.in_view);
    EXPECT_FALSE(sim::project(sim::Cone{0, 0, 0, 100, 70}, View::left).in_view);
    EXPECT_FALSE(sim::project(sim::Cone{-500, 0, 0, 100, 70}, View::left).in_view);
    EXPECT_FALSE(sim::project(sim::Cone{NAN, 0, 0, 100, 70}, View::single).in_view);
}

TEST(render, median_centre_and_extents_match_the_projection_in_every_view) {
    int checked = 0;
    for (double x : {520.0, 777.0, 1234.5, 2100.0, 3333.0, 3999.0})
        for (double y : {-260.0, -71.3, 0.0, 33.3, 180.0})
            for (double z : {-60.0, -17.7, 25.0}) {
                const sim::Scene scene = one_cone(x, y, z);
                for (View v : {View::left, View::right, View::single}) {
                    const auto t = sim::project(scene.cones[0], v);
                    if (!t.fully_in_view) continue;
                    expect_on_projection(measure(sim::render(scene, v), scene.cones[0].color), t,
                                         "x " + std::to_string(x) + " y " + std::to_string(y) + " z " +
                                             std::to_string(z) + " view " + std::to_string(int(v)));
                    ++checked;
                }
            }
    EXPECT_GT(checked, 200);
}

TEST(render, right_view_is_offset_by_the_disparity_and_eight_rows) {
    for (double x : {600.0, 1500.0, 3800.0}) {
        const sim::Scene scene = one_cone(x, 20, -30);
        const Measured l = measure(sim::render(scene, View::left), scene.cones[0].color);
        const Measured r = measure(sim::render(scene, View::right), scene.cones[0].color);
        EXPECT_NEAR(r.cog_x - l.cog_x, 7 + 41300 / x, 2.0) << x;
        EXPECT_NEAR(r.cog_y - l.cog_y, -8, 1.0) << x;
        EXPECT_NEAR(r.n, l.n, 0.05 * l.n + 2) << "same size in both cameras";
    }
}

TEST(render, upright_bgr_frames_of_the_view_size_with_exact_cone_colour) {
    sim::Scene scene = one_cone(900, 0, 0);
    scene.cones[0].color = {200, 40, 60};
    for (View v : {View::left, View::right, View::single}) {
        const cv::Mat f = sim::render(scene, v);
        EXPECT_EQ(f.type(), CV_8UC3);
        EXPECT_EQ(f.size(), sim::view_size(v));
        std::set<std::tuple<int, int, int>> colours;
        for (int r = 0; r < f.rows; ++r)
            for (int c = 0; c < f.cols; ++c) {
                const auto p = f.at<cv::Vec3b>(r, c);
                colours.insert({p[2], p[1], p[0]});
            }
        // No blending at the edges: only the background and the cone colour, in BGR order.
        EXPECT_EQ(colours, (std::set<std::tuple<int, int, int>>{{96, 112, 96}, {200, 40, 60}}));
        const Measured m = measure(f, scene.cones[0].color);
        // Apex up: the top row is narrower than the bottom row.
        int top = 0, bottom = 0;
        for (int c = 0; c < f.cols; ++c) {
            top += is_colour(f, m.min_y, c, scene.cones[0].color);
            bottom += is_colour(f, m.max_y, c, scene.cones[0].color);
        }
        EXPECT_LT(top * 4, bottom);
    }
}

TEST(render, nearer_cones_cover_farther_ones_whatever_the_order) {
    sim::Scene scene;
    scene.cones.push_back(sim::Cone{800, 0, 0, 100, 70, {200, 30, 30}});
    scene.cones.push_back(sim::Cone{1600, 0, 0, 100, 70, {30, 30, 200}});
    const cv::Mat f = sim::render(scene, View::single);
    const auto near = sim::project(scene.cones[0], View::single);
    EXPECT_TRUE(is_colour(f, int(std::lround(near.row)), int(std::lround(near.col)), scene.cones[0].color));
    EXPECT_LT(measure(f, scene.cones[1].color).n, 10);
}

TEST(render, shading_keeps_the_colour_direction_and_darkens_towards_the_base) {
    sim::Scene scene = one_cone(600, 0, 0);
    scene.shading = true;
    const cv::Mat f = sim::render(scene, View::single);
    const auto t = sim::project(scene.cones[0], View::single);
    const sim::Rgb cc = scene.cones[0].color;
    const double cm = std::hypot(cc.r, cc.g, cc.b);
    double top_level = 0, bottom_level = 1e9;
    int cone_pixels = 0;
    for (int r = 0; r < f.rows; ++r)
        for (int c = 0; c < f.cols; ++c) {
            const auto p = f.at<cv::Vec3b>(r, c);
            if (p == cv::Vec3b(96, 112, 96)) continue;
            ++cone_pixels;
            const double m = std::hypot(p[0], p[1], p[2]);
            ASSERT_LT(chord(p, cc), 0.01) << r << "," << c;
            if (r == int(std::ceil(t.min_row)) + 1) top_level = std::max(top_level, m / cm);
            if (r == int(std::ceil(t.max_row)) - 1) bottom_level = std::min(bottom_level, m / cm);
        }
    EXPECT_GT(cone_pixels, 1000);
    EXPECT_GT(top_level, 0.97);
    EXPECT_NEAR(bottom_level, 0.6, 0.03);
}

// Rows holding white pixels, grouped into runs of consecutive rows.
int white_bands(const cv::Mat& f) {
    int bands = 0;
    bool previous = false;
    for (int r = 0; r < f.rows; ++r) {
        bool any = false;
        for (int c = 0; c < f.cols; ++c) any = any || f.at<cv::Vec3b>(r, c) == cv::Vec3b(255, 255, 255);
        bands += any && !previous;
        previous = any;
    }
    return bands;
}

TEST(render, bands_are_white_rows_inside_the_cone) {
    sim::Scene big = one_cone(700, 0, 0), small = one_cone(3800, 0, 0);
    big.bands = small.bands = true;
    EXPECT_EQ(white_bands(sim::render(big, View::left)), 2);
    EXPECT_EQ(white_bands(sim::render(small, View::left)), 1);
    big.bands = false;
    EXPECT_EQ(white_bands(sim::render(big, View::left)), 0);
}

TEST(render, clutter_is_small_blobs_under_the_cones_and_only_every_third_has_the_cone_colour) {
    sim::Scene scene = one_cone(520, 0, 0, 300, 300);  // covers much of the frame
    scene.clutter = 60;
    const cv::Mat f = sim::render(scene, View::left);
    const cv::Mat bare = sim::render(one_cone(520, 0, 0, 300, 300), View::left);
    const sim::Rgb cc = scene.cones[0].color;
    int changed = 0;
    for (int r = 0; r < f.rows; ++r)
        for (int c = 0; c < f.cols; ++c) {
            if (is_colour(bare, r, c, cc)) {
                ASSERT_TRUE(is_colour(f, r, c, cc)) << "cone drawn over the clutter";
                continue;
            }
            const auto p = f.at<cv::Vec3b>(r, c);
            if (p == bare.at<cv::Vec3b>(r, c) || is_colour(f, r, c, cc)) continue;
            ++changed;
            EXPECT_GT(chord(p, cc), 0.3) << "a random clutter colour close to the cone's";
        }
    EXPECT_GT(changed, 100);
    EXPECT_LT(changed, 60 * 64);
    sim::Scene no_cone;
    no_cone.clutter = 30;
    const Measured specks = measure(sim::render(no_cone, View::left), sim::Cone{}.color);
    EXPECT_GT(specks.n, 4 * 4);  // about ten specks of 2 to 8 pixels a side
    EXPECT_LT(specks.n, 10 * 64);
}

TEST(render, deterministic_and_noise_follows_frame_index_seed_and_view) {
    sim::Scene scene = sim::default_scene();
    scene.clutter = 20;
    scene.noise = 6;
    const auto same = [](const cv::Mat& a, const cv::Mat& b) { return cv::norm(a, b, cv::NORM_INF) == 0; };
    EXPECT_TRUE(same(sim::render(scene, View::left, 5), sim::render(scene, View::left, 5)));
    EXPECT_FALSE(same(sim::render(scene, View::left, 5), sim::render(scene, View::left, 6)));
    sim::Scene empty;
    empty.noise = 6;
    EXPECT_FALSE(same(sim::render(empty, View::left, 5), sim::render(empty, View::right, 5)));
    sim::Scene other = scene;
    other.seed = 2;
    EXPECT_FALSE(same(sim::render(scene, View::left, 5), sim::render(other, View::left, 5)));
    scene.noise = 0;
    EXPECT_TRUE(same(sim::render(scene, View::single, 1), sim::render(scene, View::single, 2)));
}

TEST(render, noise_has_the_asked_deviation_and_clamps_at_white) {
    sim::Scene scene;
    scene.noise = 8;
    scene.background = {128, 128, 128};
    cv::Scalar mean, dev;
    cv::meanStdDev(sim::render(scene, View::single, 3), mean, dev);
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_NEAR(mean[ch], 128, 0.2);
        EXPECT_NEAR(dev[ch], 8, 0.2);
    }
    scene.background = {250, 250, 250};
    double lo = 0, hi = 0;
    cv::minMaxLoc(sim::render(scene, View::left, 3).reshape(1), &lo, &hi);
    EXPECT_EQ(hi, 255);
    EXPECT_GT(lo, 200) << "no wrap-around to black";
}

TEST(render, odd_cones_do_not_break_the_frame) {
    sim::Scene scene;
    for (const sim::Cone& c :
         {sim::Cone{0, 0, 0, 100, 70}, sim::Cone{-100, 0, 0, 100, 70}, sim::Cone{1e-12, 0, 0, 100, 70},
          sim::Cone{NAN, 0, 0, 100, 70}, sim::Cone{500, 1e300, 0, 100, 70}, sim::Cone{500, 0, 0, -100, 70},
          sim::Cone{200, -50, 80, 100, 70}})
        scene.cones.push_back(c);
    scene.noise = 1e9;
    scene.clutter = 1 << 30;
    for (View v : {View::left, View::right, View::single})
        EXPECT_EQ(sim::render(scene, v).size(), sim::view_size(v));
}

TEST(default_scene, a_few_cones_ahead_on_both_sides_each_seen_whole_by_both_cameras) {
    const sim::Scene scene = sim::default_scene();
    ASSERT_GE(scene.cones.size(), 3u);
    ASSERT_LE(scene.cones.size(), 4u);
    bool left_side = false, right_side = false;
    for (const sim::Cone& c : scene.cones) {
        EXPECT_GE(c.x, 500);
        EXPECT_LE(c.x, 4000);
        left_side = left_side || c.y > 0;
        right_side = right_side || c.y < 0;
    }
    EXPECT_TRUE(left_side && right_side);
    for (View v : {View::left, View::right, View::single}) {
        const cv::Mat f = sim::render(scene, v);
        for (const sim::Cone& c : scene.cones) {
            const auto t = sim::project(c, v);
            EXPECT_TRUE(t.fully_in_view);
            // Measured in a margin around the silhouette: no other cone may come that close.
            const cv::Rect around(int(t.min_col) - 4, int(t.min_row) - 4, int(t.pixel_width) + 10,
                                  int(t.pixel_height) + 10);
            const Measured m = measure(f, c.color, around);
            expect_on_projection(m, t, "view " + std::to_string(int(v)) + " x " + std::to_string(c.x));
            EXPECT_EQ(m.n, measure(sim::render(one_cone(c.x, c.y, c.z), v), c.color).n);
        }
    }
}

TEST(gaussian_noise, repeatable_from_its_seed_with_unit_deviation) {
    sim::GaussianNoise a({7, 1}), b({7, 1}), c({7, 2});
    double sum = 0, sq = 0, diff = 0;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        const double v = a.next();
        ASSERT_EQ(v, b.next());
        diff += std::abs(v - c.next());
        sum += v;
        sq += v * v;
    }
    EXPECT_NEAR(sum / n, 0, 0.01);
    EXPECT_NEAR(std::sqrt(sq / n), 1, 0.01);
    EXPECT_GT(diff, n * 0.5);
}

}  // namespace
