#pragma once
// Shared bits of the stereo service's tests: a scene of well separated cones, the files the
// controller provides, and the report read back and held against the scene.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <opencv2/core.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "sim/renderer.h"
#include "sim/scene.h"
#include "tests/support/child_process.h"
#include "tests/support/scene_cones.h"

namespace service_test {

constexpr double kFocal = 295.0;
constexpr double kStereo = 41300.0;  // baseline 140 x focal length 295

using test_support::cone_at;

// Three cones at clearly different distances, rows and sides, no noise: every frame of a camera
// is the same picture.
inline sim::Scene three_cones() {
    sim::Scene scene;
    scene.cones = {cone_at(1000, -300, 150, 36), cone_at(1500, 200, 0, 44), cone_at(2000, -60, -300, 28)};
    return scene;
}

// The cone colour for both cameras, and parameters that keep the cones and drop specks.
inline const std::string kColorTable = "0,230,116,132\n1,230,116,132\n";
inline const std::string kRequest = "color_th,0.1\nmin_pixnum,50\nmax_pixnum,5000\n";

// Same size, type and pixels, for any number of channels.
inline bool same_picture(const cv::Mat& a, const cv::Mat& b) {
    return !a.empty() && a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

// Writes the request as a controller must: complete before it appears under its name.
inline void write_request(const std::string& dir, const std::string& text = kRequest) {
    test_support::write_file(dir + "req_file.tmp", text);
    std::filesystem::rename(dir + "req_file.tmp", dir + "req_file.dat");
}

struct Reported {
    int lx = 0, ly = 0, rx = 0, ry = 0;
    double x = 0, y = 0, z = 0, h = 0, w = 0;
};

// A report as the controller reads it: CP932, four lines per object with the labels below.
inline std::vector<Reported> parse_report(const std::string& cp932) {
    const char* const labels[4] = {"左イメージcog x_y,", "右イメージcog x_y,", "対象の位置情報　　x_y_z,",
                                   "対象のサイズ情報　H_W,"};
    std::vector<std::string> lines;
    std::istringstream in(cp932);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    EXPECT_EQ(lines.size() % 4, 0u) << platform::cp932_to_utf8(cp932);
    std::vector<Reported> out;
    for (size_t i = 0; i + 3 < lines.size(); i += 4) {
        Reported r;
        const char* numbers[4];
        for (size_t k = 0; k < 4; ++k) {
            const std::string label = platform::utf8_to_cp932(labels[k]);
            EXPECT_EQ(lines[i + k].rfind(label, 0), 0u) << "line " << i + k << " is not " << labels[k];
            numbers[k] = lines[i + k].c_str() + std::min(label.size(), lines[i + k].size());
        }
        EXPECT_EQ(std::sscanf(numbers[0], "%d, %d", &r.lx, &r.ly), 2);
        EXPECT_EQ(std::sscanf(numbers[1], "%d, %d", &r.rx, &r.ry), 2);
        EXPECT_EQ(std::sscanf(numbers[2], "%lf, %lf, %lf", &r.x, &r.y, &r.z), 3);
        EXPECT_EQ(std::sscanf(numbers[3], "%lf, %lf", &r.h, &r.w), 2);
        out.push_back(r);
    }
    return out;
}

// Whether the object lies where the cone stands. The disparity (41300 / x) may be off by two
// pixels (one per camera); sideways and height then scale with the distance, and each may be
// off by two more pixels' worth at that distance.
inline bool near_truth(const Reported& o, const sim::Cone& c) {
    const double d = kStereo / c.x;
    const double x_lo = kStereo / (d + 2), x_hi = kStereo / (d - 2);
    if (o.x < x_lo || o.x > x_hi) return false;
    const double spread = (x_hi - x_lo) / c.x;
    const double pixel = x_hi / kFocal;
    const double y_tol = 2 * pixel + std::abs(c.y + 70) * spread;
    const double z_tol = 2 * pixel + std::abs(c.z) * spread;
    return std::abs(o.y - c.y) <= y_tol && std::abs(o.z - c.z) <= z_tol;
}

// Every cone of the scene reported once near its place, and nothing else.
inline void expect_report_matches(const std::string& cp932, const sim::Scene& scene) {
    const std::vector<Reported> reported = parse_report(cp932);
    EXPECT_EQ(reported.size(), scene.cones.size()) << platform::cp932_to_utf8(cp932);
    for (const sim::Cone& c : scene.cones) {
        int n = 0;
        for (const Reported& o : reported) n += near_truth(o, c);
        EXPECT_EQ(n, 1) << "cone at x " << c.x << ", y " << c.y << ", z " << c.z << "\n"
                        << platform::cp932_to_utf8(cp932);
    }
}

}  // namespace service_test
