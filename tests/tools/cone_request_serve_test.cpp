// cone-request against the real stereo service on the simulated rig: one request, answered with
// the cones of the built-in scene.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/file_ops.h"
#include "sim/renderer.h"
#include "sim/scene.h"
#include "tests/support/child_process.h"

namespace {

using test_support::ChildProcess;
using test_support::TempDir;

// Disparity of the rig per unit of inverse distance (baseline 140 x focal length 295).
constexpr double kStereo = 41300.0;

struct JsonCone {
    int lx = 0, ly = 0, rx = 0, ry = 0;
    double x = 0, y = 0, z = 0, h = 0, w = 0;
};

std::vector<JsonCone> parse_json_lines(const std::string& text) {
    std::vector<JsonCone> cones;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        JsonCone c;
        const int n = std::sscanf(line.c_str(),
                                  "{\"left_cog\":[%d,%d],\"right_cog\":[%d,%d],\"x\":%lf,\"y\":%lf,\"z\":%lf,"
                                  "\"H\":%lf,\"W\":%lf}",
                                  &c.lx, &c.ly, &c.rx, &c.ry, &c.x, &c.y, &c.z, &c.h, &c.w);
        EXPECT_EQ(n, 9) << line;
        cones.push_back(c);
    }
    return cones;
}

TEST(cone_request_with_serve, a_request_is_answered_with_the_cones_of_the_simulated_scene) {
    TempDir dir;
    test_support::write_file(dir.file("rk9t_color.dat"), "0,230,116,132\n1,230,116,132\n");
    ChildProcess service(CONE_LOCATOR_BIN, {"--headless", "--camera", "sim", "--encoding", "utf-8",
                                            "--work-dir", dir.path(), "serve"});
    ASSERT_TRUE(service.wait_for_output("[q]")) << service.output() << service.error_output();

    ChildProcess client(CONE_REQUEST_BIN, {"--encoding", "utf-8", "--work-dir", dir.path(), "--json",
                                           "--timeout", "60", "--left-cam-id", "1", "--color-th", "0.1",
                                           "--min-pixnum", "20", "--max-pixnum", "5000"});
    ASSERT_EQ(client.wait_exit(), 0) << client.error_output() << service.output();
    const std::vector<JsonCone> reported = parse_json_lines(client.output());

    const sim::Scene scene = sim::default_scene();
    EXPECT_EQ(reported.size(), scene.cones.size()) << client.output();
    for (const sim::Cone& cone : scene.cones) {
        const sim::ConeTruth left = sim::project(cone, sim::View::left);
        const sim::ConeTruth right = sim::project(cone, sim::View::right);
        int found = 0;
        for (const JsonCone& r : reported) {
            if (std::abs(r.lx - left.col) > 2 || std::abs(r.ly - left.row) > 3) continue;
            ++found;
            EXPECT_NEAR(r.rx, right.col, 2) << "cone at " << cone.x;
            EXPECT_NEAR(r.ry, right.row, 3) << "cone at " << cone.x;
            // Within two pixels of disparity of the truth.
            const double d = kStereo / cone.x;
            EXPECT_GE(r.x, kStereo / (d + 2)) << "cone at " << cone.x;
            EXPECT_LE(r.x, kStereo / (d - 2)) << "cone at " << cone.x;
        }
        EXPECT_EQ(found, 1) << "cone at x " << cone.x << ", y " << cone.y << "\n" << client.output();
    }
    EXPECT_FALSE(platform::file_exists(dir.file("notify.txt")));
    EXPECT_FALSE(platform::file_exists(dir.file("req_file.dat")));
    EXPECT_TRUE(platform::file_exists(dir.file("rk9t_left.bmp")));

    service.send("q");
    EXPECT_EQ(service.wait_exit(), 0) << service.error_output();
}

// --precise: the same cones, each distance within 2 % of the truth (the built-in scene's cones
// stand at most 3000 units ahead).
TEST(cone_request_with_serve, a_precise_request_gets_sub_pixel_distances) {
    TempDir dir;
    test_support::write_file(dir.file("rk9t_color.dat"), "0,230,116,132\n1,230,116,132\n");
    ChildProcess service(CONE_LOCATOR_BIN, {"--headless", "--camera", "sim", "--encoding", "utf-8",
                                            "--work-dir", dir.path(), "serve"});
    ASSERT_TRUE(service.wait_for_output("[q]")) << service.output() << service.error_output();

    ChildProcess client(CONE_REQUEST_BIN, {"--encoding", "utf-8", "--work-dir", dir.path(), "--json",
                                           "--timeout", "60", "--precise"});
    ASSERT_EQ(client.wait_exit(), 0) << client.error_output() << service.output();
    const std::vector<JsonCone> reported = parse_json_lines(client.output());
    const sim::Scene scene = sim::default_scene();
    EXPECT_EQ(reported.size(), scene.cones.size()) << client.output();
    for (const sim::Cone& cone : scene.cones) {
        const sim::ConeTruth left = sim::project(cone, sim::View::left);
        int found = 0;
        for (const JsonCone& r : reported) {
            if (std::abs(r.lx - left.col) > 2 || std::abs(r.ly - left.row) > 3) continue;
            ++found;
            EXPECT_NEAR(r.x, cone.x, 0.02 * cone.x);
        }
        EXPECT_EQ(found, 1) << "cone at x " << cone.x << "\n" << client.output();
    }
    service.send("q");
    EXPECT_EQ(service.wait_exit(), 0) << service.error_output();
}

}  // namespace
