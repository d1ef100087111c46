#include "sim/renderer.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "sim/gaussian_noise.h"

namespace sim {

namespace {

// Stereo rig: focal length 295 px, baseline 140 with the cameras at y = -70 (left) and +70
// (right), right frames 7 columns and -8 rows off. The single camera sits on the centre line with
// twice the focal length, since its frames are twice as large.
constexpr double kSingleFocal = 590.0;
const double kSqrtHalf = std::sqrt(0.5);

// Shading falls linearly from full brightness at the apex to this at the base.
constexpr double kBaseBrightness = 0.6;

// Random colours of clutter keep at least this chord distance from every cone colour, so only the
// deliberate cone-coloured specks look like a cone to a colour classifier.
constexpr double kClutterColourDistance = 0.35;

// Clamps before converting, so huge or odd values never reach an out-of-range cast.
int clamp_to_int(double v, int lo, int hi) {
    if (!(v > lo)) return lo;
    if (v > hi) return hi;
    return static_cast<int>(v);
}

uint8_t clamp_byte(double v) { return static_cast<uint8_t>(clamp_to_int(std::round(v), 0, 255)); }

bool finite_cone(const Cone& c) {
    return std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z) && std::isfinite(c.height) &&
           std::isfinite(c.width);
}

void unit_vector(const Rgb& c, double v[3]) {
    const double m = std::sqrt(double(c.r) * c.r + double(c.g) * c.g + double(c.b) * c.b);
    v[0] = m > 0 ? c.r / m : 0;
    v[1] = m > 0 ? c.g / m : 0;
    v[2] = m > 0 ? c.b / m : 0;
}

double chord_distance(const Rgb& a, const Rgb& b) {
    double u[3], v[3];
    unit_vector(a, u);
    unit_vector(b, v);
    return std::sqrt((u[0] - v[0]) * (u[0] - v[0]) + (u[1] - v[1]) * (u[1] - v[1]) +
                     (u[2] - v[2]) * (u[2] - v[2]));
}

void put(cv::Mat& frame, int row, int col, const Rgb& c) {
    uint8_t* p = frame.ptr<uint8_t>(row) + 3 * col;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

// A random colour that no colour classifier would take for one of the cones.
Rgb clutter_colour(GaussianNoise& rng, const std::vector<Rgb>& cone_colours, const Rgb& fallback) {
    for (int attempt = 0; attempt < 64; ++attempt) {
        const uint32_t w = rng.next_word();
        const Rgb c{uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16)};
        if (c.r == 0 && c.g == 0 && c.b == 0) continue;
        bool far = true;
        for (const Rgb& cone : cone_colours) far = far && chord_distance(c, cone) >= kClutterColourDistance;
        if (far) return c;
    }
    return fallback;
}

// Small rectangles and ellipses of 2 to 8 px (in 320-wide frames), placed by the seed at the same
// relative spot in every view; every third blob has a cone's colour.
void draw_clutter(cv::Mat& frame, const Scene& scene) {
    const int count = std::clamp(scene.clutter, 0, kMaxClutter);
    if (count == 0) return;
    std::vector<Rgb> cone_colours;
    for (const Cone& c : scene.cones) cone_colours.push_back(c.color);
    if (cone_colours.empty()) cone_colours.push_back(Cone{}.color);

    const int scale = frame.cols / 320 > 1 ? frame.cols / 320 : 1;
    GaussianNoise rng({scene.seed, 0x636c7574u});
    for (int i = 0; i < count; ++i) {
        const int col0 = static_cast<int>(uint64_t(rng.next_word()) * uint64_t(frame.cols) >> 32);
        const int row0 = static_cast<int>(uint64_t(rng.next_word()) * uint64_t(frame.rows) >> 32);
        const uint32_t form = rng.next_word();
        const int w = (2 + int(form % 7)) * scale;
        const int h = (2 + int((form >> 8) % 7)) * scale;
        const bool ellipse = (form >> 16) & 1;
        const Rgb colour = i % 3 == 2 ? cone_colours[(i / 3) % cone_colours.size()]
                                      : clutter_colour(rng, cone_colours, scene.background);
        const double cx = col0 + (w - 1) / 2.0, cy = row0 + (h - 1) / 2.0;
        for (int r = row0; r < std::min(row0 + h, frame.rows); ++r) {
            for (int c = col0; c < std::min(col0 + w, frame.cols); ++c) {
                if (ellipse) {
                    const double dx = (c - cx) / (w / 2.0), dy = (r - cy) / (h / 2.0);
                    if (dx * dx + dy * dy > 1.0) continue;
                }
                put(frame, r, c, colour);
            }
        }
    }
}

// Rows [first, end) of one white band, from fractions of the cone's height below the apex; at
// least one row, so even a small cone shows its band.
struct Band {
    double first, end;
};

Band band_rows(const ConeTruth& t, double from, double to) {
    const double first = std::ceil(t.min_row + from * t.pixel_height);
    const double end = std::ceil(t.min_row + to * t.pixel_height);
    return {first, std::max(end, first + 1)};
}

// The silhouette: pixels whose centre lies in the upright triangle of the projection.
void draw_cone(cv::Mat& frame, const Cone& cone, const ConeTruth& t, const Scene& scene) {
    const double ph = t.pixel_height, pw = t.pixel_width;
    if (!(ph > 0) || !(pw > 0) || !std::isfinite(ph) || !std::isfinite(pw)) return;

    Band bands[2]{};
    int band_count = 0;
    if (scene.bands) {
        if (ph >= 16) {
            bands[band_count++] = band_rows(t, 0.30, 0.40);
            bands[band_count++] = band_rows(t, 0.60, 0.70);
        } else {
            bands[band_count++] = band_rows(t, 0.45, 0.60);
        }
    }
    const Rgb white{255, 255, 255};

    const int first_row = clamp_to_int(std::ceil(t.min_row), 0, frame.rows);
    const int end_row = clamp_to_int(std::ceil(t.max_row), 0, frame.rows);
    for (int r = first_row; r < end_row; ++r) {
        const double depth = (r - t.min_row) / ph;  // 0 at the apex, towards 1 at the base
        const double half = depth * pw / 2;
        double first_col = std::ceil(t.col - half), last_col = std::floor(t.col + half);
        // Near the apex the span can fall between two pixel centres; the nearest pixel keeps the
        // tip connected and the silhouette as tall as the projection says.
        if (first_col > last_col) first_col = last_col = std::round(t.col);
        const int c0 = clamp_to_int(first_col, 0, frame.cols);
        const int c1 = clamp_to_int(last_col + 1, 0, frame.cols);
        if (c0 >= c1) continue;

        Rgb colour = cone.color;
        bool in_band = false;
        for (int b = 0; b < band_count; ++b) in_band = in_band || (r >= bands[b].first && r < bands[b].end);
        if (in_band) {
            colour = white;
        } else if (scene.shading) {
            const double s = 1.0 - (1.0 - kBaseBrightness) * depth;
            colour =
                Rgb{clamp_byte(cone.color.r * s), clamp_byte(cone.color.g * s), clamp_byte(cone.color.b * s)};
        }
        for (int c = c0; c < c1; ++c) put(frame, r, c, colour);
    }
}

void add_noise(cv::Mat& frame, const Scene& scene, View view, uint64_t frame_index) {
    const double sigma = std::min(scene.noise, 1000.0);
    if (!(sigma > 0)) return;
    GaussianNoise rng({scene.seed, static_cast<uint32_t>(frame_index),
                       static_cast<uint32_t>(frame_index >> 32), static_cast<uint32_t>(view), 0x6e6f6973u});
    for (int r = 0; r < frame.rows; ++r) {
        uint8_t* p = frame.ptr<uint8_t>(r);
        for (int i = 0; i < frame.cols * 3; ++i) p[i] = clamp_byte(p[i] + sigma * rng.next());
    }
}

}  // namespace

cv::Size view_size(View view) { return view == View::single ? cv::Size(640, 480) : cv::Size(320, 240); }

ConeTruth project(const Cone& cone, View view) {
    ConeTruth t;
    if (!finite_cone(cone) || !(cone.x > 0)) return t;
    const double x = cone.x;
    if (view == View::single) {
        t.col = 320.0 - kSingleFocal * cone.y / x;
        t.row = 240.0 - kSingleFocal * cone.z / x;
        t.pixel_height = kSingleFocal * cone.height / x;
        t.pixel_width = kSingleFocal * cone.width / x;
    } else {
        t.col = 160.0 - kStereoFocal * (cone.y + 70.0) / x;
        t.row = 120.0 - kStereoFocal * cone.z / x;
        if (view == View::right) {
            t.col += 7.0 + 41300.0 / x;
            t.row -= 8.0;
        }
        t.pixel_height = kStereoFocal * cone.height / x;
        t.pixel_width = kStereoFocal * cone.width / x;
    }
    if (!std::isfinite(t.col) || !std::isfinite(t.row) || !std::isfinite(t.pixel_height) ||
        !std::isfinite(t.pixel_width))
        return ConeTruth{};
    // Apex and base placed so that half the triangle's area lies above `row`: the area above a
    // depth d below the apex grows as d^2, so the apex sits h / sqrt(2) above the median row.
    t.min_row = t.row - t.pixel_height * kSqrtHalf;
    t.max_row = t.row + t.pixel_height * (1.0 - kSqrtHalf);
    t.min_col = t.col - t.pixel_width / 2;
    t.max_col = t.col + t.pixel_width / 2;

    // Pixel k covers [k - 0.5, k + 0.5).
    const cv::Size size = view_size(view);
    const auto inside = [](double v, int n) { return v >= -0.5 && v < n - 0.5; };
    t.in_view = inside(t.col, size.width) && inside(t.row, size.height);
    t.fully_in_view = inside(t.min_col, size.width) && inside(t.max_col, size.width) &&
                      inside(t.min_row, size.height) && inside(t.max_row, size.height);
    return t;
}

cv::Mat render(const Scene& scene, View view, uint64_t frame_index) {
    const cv::Size size = view_size(view);
    cv::Mat frame(size, CV_8UC3, cv::Scalar(scene.background.b, scene.background.g, scene.background.r));
    draw_clutter(frame, scene);

    // Farther cones first, so nearer ones cover them; equal distances keep the scene's order.
    std::vector<size_t> order(scene.cones.size());
    std::iota(order.begin(), order.end(), size_t{0});
    const auto distance = [&](size_t i) { return std::isfinite(scene.cones[i].x) ? scene.cones[i].x : 0.0; };
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return distance(a) > distance(b); });
    for (size_t i : order) {
        const Cone& cone = scene.cones[i];
        draw_cone(frame, cone, project(cone, view), scene);
    }

    add_noise(frame, scene, view, frame_index);
    return frame;
}

}  // namespace sim
