// Colour tuning on rendered scenes whose cones are not of the default colour: the table tuned from
// boxes around two cones must let a request's recognition find every cone of the scene, with no
// more false regions than the default table finds on a scene of default-coloured cones.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <opencv2/core.hpp>

#include "app/stereo_recognition.h"
#include "files/color_file.h"
#include "files/recog_params.h"
#include "platform/console.h"
#include "recog/color_tuning.h"
#include "sim/renderer.h"
#include "sim/scene.h"
#include "tests/app/tune_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/scene_cones.h"

namespace {

using test_support::box_around;
using test_support::cone_at;
using test_support::TempDir;

const sim::Rgb kDefaultColour = sim::Cone{}.color;
const sim::Rgb kOrange{240, 140, 60};
const sim::Rgb kDarkRed{120, 22, 28};

constexpr int kVisibleCones = 4;

// The cones' colours of a scene: four in sight, two behind the rig.
struct SceneColours {
    sim::Rgb visible[kVisibleCones];
    sim::Rgb hidden[2];
};

// Four cones from near to far, both sides of the centre line; clutter blobs, shading and sensor
// noise. The clutter takes its colours from the scene's cones: every third blob has a cone colour,
// cycling through the cones, and the others keep away from all of them. The two cones behind the
// rig, out of sight, make scenes with the same set of colours get the same clutter: the blobs that
// take the visible cones' colours lie at the same places.
sim::Scene scene_of(const SceneColours& colours) {
    sim::Scene scene;
    scene.cones = {cone_at(800, 150, 100, 34), cone_at(1000, -300, 150, 40), cone_at(1500, 200, -20, 44),
                   cone_at(2000, -60, -300, 30)};
    for (int k = 0; k < kVisibleCones; ++k) scene.cones[k].color = colours.visible[k];
    for (const sim::Rgb& colour : colours.hidden) {
        sim::Cone behind;
        behind.x = -1000;
        behind.color = colour;
        scene.cones.push_back(behind);
    }
    scene.clutter = 60;
    scene.seed = 11;
    scene.noise = 5;
    scene.shading = true;
    return scene;
}

struct Outcome {
    int cones_found = 0;    // cones seen in both views and paired with each other
    int false_regions = 0;  // candidates of either view away from every cone
};

// A request's recognition on the scene's two views, with the table written to and read back from
// the colour file and the threshold in the request file.
Outcome recognise(const sim::Scene& scene, const files::ColorTable& table, int th_thousandths) {
    TempDir dir;
    std::string error;
    EXPECT_TRUE(files::fio_write_color_file(dir.file("rk9t_color.dat"), table, "", error)) << error;
    char request[64];
    std::snprintf(request, sizeof request, "color_th,%d.%03d\n", th_thousandths / 1000,
                  th_thousandths % 1000);
    test_support::write_file(dir.file("req_file.dat"), request);

    cv::Mat left = sim::render(scene, sim::View::left);
    cv::Mat right = sim::render(scene, sim::View::right);
    files::RecogParams recog_plm = files::initial_recog_params();
    recog::ImageInfo image_info[2]{};
    auto areas = std::make_unique<recog::AreaInfo[]>(2 * recog::kMaxAreas);
    auto match_list = std::make_unique<int[]>(recog::kMaxAreas);
    std::fill_n(match_list.get(), recog::kMaxAreas, -1);
    app::StereoRecognitionPaths paths;
    paths.color_table = dir.file("rk9t_color.dat");
    paths.request = dir.file("req_file.dat");
    paths.left_bin = dir.file("left_bin.bmp");
    paths.right_bin = dir.file("right_bin.bmp");
    {
        platform::ConsoleRedirect quiet(nullptr);
        app::run_stereo_recognition(&recog_plm, left, right, image_info, areas.get(), match_list.get(),
                                    paths);
    }
    EXPECT_EQ(recog_plm.color_th, recog::threshold_of(th_thousandths));

    const auto near = [](const recog::AreaInfo& a, const sim::ConeTruth& t) {
        return std::abs(a.cog_x - t.col) <= 3 && std::abs(a.cog_y - t.row) <= 3;
    };
    const auto on_a_cone = [&](const recog::AreaInfo& a, sim::View view) {
        for (int k = 0; k < kVisibleCones; ++k) {
            const sim::ConeTruth t = sim::project(scene.cones[k], view);
            if (a.cog_x >= t.min_col - 3 && a.cog_x <= t.max_col + 3 && a.cog_y >= t.min_row - 3 &&
                a.cog_y <= t.max_row + 3)
                return true;
        }
        return false;
    };
    Outcome out;
    for (int k = 0; k < kVisibleCones; ++k) {
        const sim::Cone& c = scene.cones[k];
        const sim::ConeTruth l = sim::project(c, sim::View::left), r = sim::project(c, sim::View::right);
        for (int i = 0; i < image_info[0].area_num; ++i) {
            const int j = match_list[i];
            if (near(areas[i], l) && j >= 0 && near(areas[recog::kMaxAreas + j], r)) {
                ++out.cones_found;
                break;
            }
        }
    }
    for (int side = 0; side < 2; ++side) {
        const sim::View view = side == 0 ? sim::View::left : sim::View::right;
        for (int i = 0; i < image_info[side].area_num; ++i) {
            out.false_regions += !on_a_cone(areas[side * recog::kMaxAreas + i], view);
        }
    }
    return out;
}

files::ColorTable default_table() {
    files::ColorTable t{};
    for (int cam = 0; cam < 2; ++cam) {
        t.color_vec[cam][0][0] = 230;
        t.color_vec[cam][0][1] = 116;
        t.color_vec[cam][0][2] = 132;
        t.color_num[cam] = 1;
    }
    return t;
}

// The service's start value of the threshold.
constexpr int kDefaultThreshold = 200;

// Tunes from boxes around the cones `boxed` of the scene and runs a request with the result. The
// bar: the default table on the scene with default-coloured cones (and the same clutter).
void check_tuning_finds_every_cone(const SceneColours& colours, const SceneColours& default_colours,
                                   std::initializer_list<int> boxed) {
    const sim::Scene scene = scene_of(colours);
    for (int k = 0; k < kVisibleCones; ++k) {
        ASSERT_TRUE(sim::project(scene.cones[k], sim::View::left).fully_in_view);
        ASSERT_TRUE(sim::project(scene.cones[k], sim::View::right).fully_in_view);
    }
    const Outcome baseline = recognise(scene_of(default_colours), default_table(), kDefaultThreshold);
    ASSERT_EQ(baseline.cones_found, kVisibleCones) << "the default table must find the default cones";

    // Without tuning the cones of these colours go (nearly) unseen.
    const Outcome untuned = recognise(scene, default_table(), kDefaultThreshold);
    EXPECT_LE(untuned.cones_found, 1);

    const cv::Mat left = sim::render(scene, sim::View::left), right = sim::render(scene, sim::View::right);
    recog::TuningView views[2] = {{&left, {}}, {&right, {}}};
    for (int k : boxed) {
        views[0].boxes.push_back(box_around(scene.cones[k], sim::View::left));
        views[1].boxes.push_back(box_around(scene.cones[k], sim::View::right));
    }
    const recog::ColorTuning t = recog::tune_colors(views, files::ColorTable{});
    for (int cam = 0; cam < 2; ++cam) {
        EXPECT_GE(t.table.color_num[cam], 1);
        EXPECT_LE(t.table.color_num[cam], recog::kMaxTunedColors);
    }
    const Outcome tuned = recognise(scene, t.table, t.th_thousandths);
    EXPECT_EQ(tuned.cones_found, kVisibleCones);
    EXPECT_LE(tuned.false_regions, baseline.false_regions);
    std::printf(
        "colours %d + %d, color_th 0.%03d: %d of %d cones, %d false regions (default table: %d on its "
        "scene, %d cones here)\n",
        t.table.color_num[0], t.table.color_num[1], t.th_thousandths, tuned.cones_found, kVisibleCones,
        tuned.false_regions, baseline.false_regions, untuned.cones_found);
}

const sim::Rgb D = kDefaultColour, O = kOrange, R = kDarkRed;

TEST(tune_scene, orange_cones_are_all_found_with_the_tuned_table) {
    check_tuning_finds_every_cone({{O, O, O, O}, {D, R}}, {{D, D, D, D}, {O, R}}, {0, 2});
}

TEST(tune_scene, dark_red_cones_are_all_found_with_the_tuned_table) {
    check_tuning_finds_every_cone({{R, R, R, R}, {D, O}}, {{D, D, D, D}, {R, O}}, {0, 2});
}

// One box around an orange and one around a dark red cone: both colours must come into the table.
TEST(tune_scene, orange_and_dark_red_cones_are_all_found_with_the_tuned_table) {
    check_tuning_finds_every_cone({{O, R, O, R}, {D, D}}, {{D, D, D, D}, {O, R}}, {0, 1});
}

}  // namespace
