// `locate` with "precision,1" in the request, on pictures of the simulated rig: single cones near
// and far must come back within the precise mode's bounds, while the report keeps its lines and
// its whole-pixel centres; the same pictures without the key give the default report.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <opencv2/imgcodecs.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "sim/renderer.h"
#include "sim/scene.h"
#include "tests/support/child_process.h"

namespace {

using test_support::ChildProcess;
using test_support::TempDir;

struct Reported {
    std::string centre_lines;  // the report's two lines of whole-pixel centres
    double x = 0, y = 0, z = 0, h = 0, w = 0;
};

std::vector<Reported> parse_report(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    EXPECT_EQ(lines.size() % 4, 0u) << text;
    std::vector<Reported> out;
    for (size_t i = 0; i + 3 < lines.size(); i += 4) {
        Reported r;
        r.centre_lines = lines[i] + "\n" + lines[i + 1];
        EXPECT_EQ(
            std::sscanf(lines[i + 2].c_str() + lines[i + 2].find(','), ", %lf, %lf, %lf", &r.x, &r.y, &r.z),
            3);
        EXPECT_EQ(std::sscanf(lines[i + 3].c_str() + lines[i + 3].find(','), ", %lf, %lf", &r.h, &r.w), 2);
        out.push_back(r);
    }
    return out;
}

class LocatePrecise : public ::testing::Test {
protected:
    // Runs locate on the rendered scene with the given request; the report's objects.
    std::vector<Reported> locate(const sim::Scene& scene, const std::string& request) {
        test_support::write_file(dir_.file("rk9t_color.dat"), "0,230,116,132\n1,230,116,132\n");
        test_support::write_file(dir_.file("req_file.dat"), request);
        EXPECT_TRUE(cv::imwrite(dir_.file("left.bmp"), sim::render(scene, sim::View::left)));
        EXPECT_TRUE(cv::imwrite(dir_.file("right.bmp"), sim::render(scene, sim::View::right)));
        ChildProcess p(CONE_LOCATOR_BIN,
                       {"--headless", "--camera", "sim", "--encoding", "utf-8", "--work-dir", dir_.path(),
                        "locate", "--left", dir_.file("left.bmp"), "--right", dir_.file("right.bmp"),
                        "--report", dir_.file("report.txt")});
        EXPECT_EQ(p.wait_exit(), 0) << p.error_output();
        return parse_report(test_support::read_file(dir_.file("report.txt")));
    }

    // One cone; the precise answer within the targets of its distance (x error below 2 % up to
    // 3000 units and below 4 % beyond, H and W within 5 %), its centre lines those of the default
    // answer.
    void check_cone(double x, double y, double z, double height, double width) {
        sim::Scene scene;
        sim::Cone cone;
        cone.x = x, cone.y = y, cone.z = z, cone.height = height, cone.width = width;
        scene.cones = {cone};
        ASSERT_TRUE(sim::project(cone, sim::View::left).fully_in_view);
        ASSERT_TRUE(sim::project(cone, sim::View::right).fully_in_view);
        const std::vector<Reported> precise = locate(scene, "precision,1\n");
        const std::vector<Reported> whole = locate(scene, "color_th,0.2\n");
        ASSERT_EQ(precise.size(), 1u) << "cone at " << x;
        ASSERT_EQ(whole.size(), 1u) << "cone at " << x;
        const Reported& p = precise[0];
        EXPECT_EQ(p.centre_lines, whole[0].centre_lines);
        const double x_bound = x <= 3000 ? 0.02 : 0.04;
        EXPECT_LT(std::abs(p.x - x) / x, x_bound) << "x " << p.x << " for " << x;
        EXPECT_LT(std::abs(p.h - height) / height, 0.05) << "H " << p.h << " for " << height << " at " << x;
        EXPECT_LT(std::abs(p.w - width) / width, 0.05) << "W " << p.w << " for " << width << " at " << x;
        // y and z follow x and the centre; a tenth of the distance would be a plainly wrong centre.
        EXPECT_LT(std::abs(p.y - y), 0.01 * x) << "y " << p.y << " for " << y;
        EXPECT_LT(std::abs(p.z - z), 0.02 * x) << "z " << p.z << " for " << z;
    }

    TempDir dir_;
};

TEST_F(LocatePrecise, near_cones) {
    check_cone(400, -30, 20, 100, 70);
    check_cone(1500, 250, -200, 700, 450);
}

TEST_F(LocatePrecise, middle_and_far_cones) {
    check_cone(2750, -400, 150, 700, 450);
    check_cone(4500, 300, -600, 700, 450);
    check_cone(6000, -900, 400, 700, 450);
}

// "precision,0" and a request without the key give the same, default report.
TEST_F(LocatePrecise, precision_zero_is_the_default_mode) {
    sim::Scene scene;
    sim::Cone cone;
    cone.x = 3500, cone.y = 100, cone.z = -100, cone.height = 700, cone.width = 450;
    scene.cones = {cone};
    const std::vector<Reported> precise = locate(scene, "precision,1\n");
    const std::string first = test_support::read_file(dir_.file("report.txt"));
    locate(scene, "min_pixnum,20\n");
    const std::string second = test_support::read_file(dir_.file("report.txt"));
    locate(scene, "precision,0\n");
    EXPECT_EQ(test_support::read_file(dir_.file("report.txt")), second);
    EXPECT_NE(first, second);
    ASSERT_EQ(precise.size(), 1u);
}

}  // namespace
