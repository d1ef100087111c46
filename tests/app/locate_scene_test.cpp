// `locate` on pictures of the simulated rig: every cone of a scene must come back once, where the
// scene put it, as exactly as whole-pixel measures allow.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include "sim/renderer.h"
#include "sim/scene.h"
#include "tests/support/child_process.h"
#include "tests/support/scene_cones.h"

namespace {

using test_support::ChildProcess;
using test_support::TempDir;

constexpr double kFocal = 295.0;
constexpr double kStereo = 41300.0;  // baseline 140 x focal length 295

// Pixel errors of the finder's measures against the renderer's truth, for silhouettes 25 to 60
// pixels tall and 0.6 to 0.8 as wide as tall:
// - centre column: whole pixels (0.5) and the filter's one-pixel growth, which is symmetric about
//   the cone's axis only up to the pixel grid (0.5);
// - centre row: whole pixels (0.5), and the filter removes the apex rows too thin for a 3 x 3
//   block and adds a full row under the base, which moves the median row by up to one more row.
constexpr double kColumnError = 1.0;
constexpr double kRowError = 1.5;
// One decimal is printed.
constexpr double kPrinted = 0.05;

struct Range {
    double lo, hi;
    bool holds(double v) const { return v >= lo - kPrinted && v <= hi + kPrinted; }
};

// Smallest and largest value of f over the corners of two ranges; f is monotonic in each.
template <typename F>
Range corners(Range a, Range b, F f) {
    const double v[4] = {f(a.lo, b.lo), f(a.lo, b.hi), f(a.hi, b.lo), f(a.hi, b.hi)};
    return {*std::min_element(v, v + 4), *std::max_element(v, v + 4)};
}

// What may be reported for one cone, from its projections and the pixel errors above.
struct Bounds {
    Range x, y, z, h, w;
};

Bounds bounds_for(const sim::Cone& cone) {
    const sim::ConeTruth l = sim::project(cone, sim::View::left);
    // The disparity (right column - 7 - left column) is 41300 / x; both columns may be off.
    const double d = kStereo / cone.x;
    Bounds b{};
    b.x = {kStereo / (d + 2 * kColumnError), kStereo / (d - 2 * kColumnError)};
    const Range col{l.col - kColumnError, l.col + kColumnError};
    const Range row{l.row - kRowError, l.row + kRowError};
    b.y = corners(col, b.x, [](double c, double x) { return -((c - 160.0) / kFocal * x + 70.0); });
    b.z = corners(row, b.x, [](double r, double x) { return (120.0 - r) / kFocal * x; });
    // Box extents (last minus first pixel). With a = rows per column of width: the apex loses the
    // rows narrower than a 3 x 3 block (2a to 3a) and regains one, the base gains one row; the
    // widest row lies up to one row above the base, and the filter trims the base corners to the
    // width two rows up before adding a column on each side.
    const double a = l.pixel_height / l.pixel_width;
    const Range ext_h{l.pixel_height - 3 * a, l.pixel_height + 2 - 2 * a};
    const Range ext_w{l.pixel_width - 3 / a, l.pixel_width + 2 - 2 / a};
    const auto size = [](double e, double x) { return e / kFocal * x; };
    b.h = corners(ext_h, b.x, size);
    b.w = corners(ext_w, b.x, size);
    return b;
}

using test_support::cone_at;

struct Reported {
    int lx = 0, ly = 0, rx = 0, ry = 0;
    double x = 0, y = 0, z = 0, h = 0, w = 0;
};

// The numbers of the report: four lines per object, each "label, n, n[, n]".
std::vector<Reported> parse_report(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    EXPECT_EQ(lines.size() % 4, 0u) << text;
    std::vector<Reported> out;
    for (size_t i = 0; i + 3 < lines.size(); i += 4) {
        Reported r;
        const auto numbers = [&](size_t k) { return lines[i + k].c_str() + lines[i + k].find(','); };
        EXPECT_EQ(std::sscanf(numbers(0), ", %d, %d", &r.lx, &r.ly), 2) << lines[i];
        EXPECT_EQ(std::sscanf(numbers(1), ", %d, %d", &r.rx, &r.ry), 2) << lines[i + 1];
        EXPECT_EQ(std::sscanf(numbers(2), ", %lf, %lf, %lf", &r.x, &r.y, &r.z), 3) << lines[i + 2];
        EXPECT_EQ(std::sscanf(numbers(3), ", %lf, %lf", &r.h, &r.w), 2) << lines[i + 3];
        out.push_back(r);
    }
    return out;
}

// Worst relative distance error seen per distance, printed when the suite ends.
std::map<double, double>& worst_errors() {
    static std::map<double, double> m;
    return m;
}

class LocateScene : public ::testing::Test {
protected:
    static void TearDownTestSuite() {
        for (const auto& [x, e] : worst_errors())
            std::printf("worst relative distance error at %6.0f: %.4f\n", x, e);
    }

    // Renders the scene, runs locate on it with the work directory's colours and request, and
    // checks the report against the scene.
    void check_scene(const std::vector<sim::Cone>& cones) {
        sim::Scene scene;
        scene.cones = cones;
        for (const sim::Cone& c : cones) {
            ASSERT_TRUE(sim::project(c, sim::View::left).fully_in_view) << "cone at " << c.x;
            ASSERT_TRUE(sim::project(c, sim::View::right).fully_in_view) << "cone at " << c.x;
        }
        TempDir dir;
        ASSERT_TRUE(cv::imwrite(dir.file("left.bmp"), sim::render(scene, sim::View::left)));
        ASSERT_TRUE(cv::imwrite(dir.file("right.bmp"), sim::render(scene, sim::View::right)));
        test_support::write_file(dir.file("rk9t_color.dat"), "0,230,116,132\n1,230,116,132\n");
        test_support::write_file(dir.file("req_file.dat"), "color_th,0.1\nmin_pixnum,50\nmax_pixnum,5000\n");

        ChildProcess p(CONE_LOCATOR_BIN,
                       {"--headless", "--camera", "sim", "--encoding", "utf-8", "--work-dir", dir.path(),
                        "locate", "--left", dir.file("left.bmp"), "--right", dir.file("right.bmp"),
                        "--report", dir.file("report.txt")});
        ASSERT_EQ(p.wait_exit(), 0) << p.error_output();
        const std::vector<Reported> reported = parse_report(test_support::read_file(dir.file("report.txt")));
        EXPECT_EQ(reported.size(), cones.size()) << p.output();
        EXPECT_NE(p.output().find("総対象数：" + std::to_string(cones.size()) + "\n"), std::string::npos);

        for (const sim::Cone& c : cones) {
            const sim::ConeTruth l = sim::project(c, sim::View::left);
            const sim::ConeTruth r = sim::project(c, sim::View::right);
            const auto near_truth = [&](const Reported& o) {
                return std::abs(o.lx - l.col) <= kColumnError && std::abs(o.ly - l.row) <= kRowError &&
                       std::abs(o.rx - r.col) <= kColumnError && std::abs(o.ry - r.row) <= kRowError;
            };
            const auto n = std::count_if(reported.begin(), reported.end(), near_truth);
            EXPECT_EQ(n, 1) << "cone at x " << c.x << ", y " << c.y << " (left " << l.col << ", " << l.row
                            << ")\n"
                            << p.output();
            if (n != 1) continue;
            const Reported& o = *std::find_if(reported.begin(), reported.end(), near_truth);
            const Bounds b = bounds_for(c);
            EXPECT_TRUE(b.x.holds(o.x)) << "x " << o.x << " outside " << b.x.lo << " .. " << b.x.hi;
            EXPECT_TRUE(b.y.holds(o.y))
                << "y " << o.y << " outside " << b.y.lo << " .. " << b.y.hi << " (" << c.y << ")";
            EXPECT_TRUE(b.z.holds(o.z))
                << "z " << o.z << " outside " << b.z.lo << " .. " << b.z.hi << " (" << c.z << ")";
            EXPECT_TRUE(b.h.holds(o.h))
                << "H " << o.h << " outside " << b.h.lo << " .. " << b.h.hi << " (" << c.height << ")";
            EXPECT_TRUE(b.w.holds(o.w))
                << "W " << o.w << " outside " << b.w.lo << " .. " << b.w.hi << " (" << c.width << ")";
            double& worst = worst_errors()[c.x];
            worst = std::max(worst, std::abs(o.x - c.x) / c.x);
        }
    }
};

// Cones of one scene stand at clearly different rows or sizes: the pairing rates row agreement
// and size likeness, so look-alikes side by side would be a different test.
TEST_F(LocateScene, two_near_cones_either_side) {
    check_scene({cone_at(500, -140, 10, 40), cone_at(700, 80, -60, 30)});
}

TEST_F(LocateScene, three_cones_at_middle_distances) {
    check_scene({cone_at(1000, -300, 150, 36), cone_at(1500, 200, 0, 44), cone_at(2000, -60, -300, 28)});
}

TEST_F(LocateScene, two_far_cones_either_side) {
    check_scene({cone_at(3000, 500, 400, 40), cone_at(4000, -700, -300, 52)});
}

TEST_F(LocateScene, three_cones_from_near_to_far) {
    check_scene({cone_at(800, 150, 100, 30), cone_at(2500, -900, -150, 46), cone_at(4000, 600, -900, 34)});
}

}  // namespace
