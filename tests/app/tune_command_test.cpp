// `cone-locator tune`: arguments, boxes, the table it writes and the mask, end to end without a
// display.

#include "app/tune_command.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "files/color_file.h"
#include "files/request_file.h"
#include "platform/console.h"
#include "sim/renderer.h"
#include "sim/scene.h"
#include "tests/app/tune_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/scene_cones.h"

namespace {

using test_support::box_around;
using test_support::ChildProcess;
using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

struct TuneRun {
    int status = -1;
    std::string out, err;
};

TuneRun tune(const TempDir& dir, const std::vector<std::string>& words) {
    std::vector<std::string> a{"--headless", "--encoding", "utf-8", "--work-dir", dir.path(), "tune"};
    a.insert(a.end(), words.begin(), words.end());
    ChildProcess p(CONE_LOCATOR_BIN, a);
    TuneRun r;
    r.status = p.wait_exit().value_or(-1);
    r.out = p.output();
    r.err = p.error_output();
    return r;
}

// Three orange cones; the pictures of the last request in the work directory.
sim::Scene orange_scene() {
    sim::Scene scene;
    scene.cones = {test_support::cone_at(800, 150, 100, 34), test_support::cone_at(1000, -300, 150, 40),
                   test_support::cone_at(1500, 200, -20, 44)};
    for (sim::Cone& c : scene.cones) c.color = {240, 140, 60};
    scene.noise = 4;
    scene.shading = true;
    return scene;
}

void write_pictures(const TempDir& dir, const sim::Scene& scene) {
    ASSERT_TRUE(cv::imwrite(dir.file("rk9t_left.bmp"), sim::render(scene, sim::View::left)));
    ASSERT_TRUE(cv::imwrite(dir.file("rk9t_right.bmp"), sim::render(scene, sim::View::right)));
}

std::string text_of(const recog::PixelBox& b) {
    return std::to_string(b.x) + "," + std::to_string(b.y) + "," + std::to_string(b.w) + "," +
           std::to_string(b.h);
}

// --box-left/--box-right around the scene's cone k.
std::vector<std::string> boxes_around(const sim::Scene& scene, int k) {
    return {"--box-left", text_of(box_around(scene.cones[k], sim::View::left)), "--box-right",
            text_of(box_around(scene.cones[k], sim::View::right))};
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The lines printed under the table's heading.
std::string printed_table(const std::string& out) {
    const std::string heading = "colour table (camera,red,green,blue):\n";
    const size_t from = out.find(heading);
    if (from == std::string::npos) return "";
    const size_t start = from + heading.size();
    return out.substr(start, out.find("camera 0 (left)", start) - start);
}

TEST(parse_tune_args, boxes_repeat_and_must_be_four_whole_numbers) {
    app::TuneArgs a;
    std::string error;
    ASSERT_TRUE(app::parse_tune_args({"--box-left", "1,2,3,4", "--right", "r.bmp", "--box-left", "-5,6,7,8",
                                      "--box-right", "0,0,320,240", "--write", "--append", "--mask", "m.png"},
                                     a, error))
        << error;
    EXPECT_EQ(a.box_left, (std::vector<std::string>{"1,2,3,4", "-5,6,7,8"}));
    EXPECT_EQ(a.box_right, (std::vector<std::string>{"0,0,320,240"}));
    EXPECT_EQ(a.left, "");  // the work directory's picture
    EXPECT_EQ(a.right, "r.bmp");
    EXPECT_TRUE(a.write && a.append);
    EXPECT_EQ(a.mask, "m.png");

    for (const char* bad : {"1,2,3", "1,2,3,4,5", "a,2,3,4", "1,,3,4", "1.5,2,3,4", "1,2,3,4,", " 1,2,3,4",
                            "+1,2,3,4", "99999999999,2,3,4"}) {
        error.clear();
        EXPECT_FALSE(app::parse_tune_args({"--box-right", bad}, a, error)) << bad;
        EXPECT_NE(error.find("x,y,w,h"), std::string::npos) << error;
    }
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--box-left"}, {"--left"}, {"--mask", ""}, {"--colour"}, {"x"}}) {
        error.clear();
        EXPECT_FALSE(app::parse_tune_args(bad, a, error)) << bad[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(box_problem, empty_boxes_and_boxes_reaching_outside_the_picture) {
    EXPECT_EQ(app::box_problem({0, 0, 320, 240}, 320, 240), "");
    EXPECT_EQ(app::box_problem({319, 239, 1, 1}, 320, 240), "");
    for (const recog::PixelBox& b :
         {recog::PixelBox{10, 10, 0, 5}, recog::PixelBox{10, 10, 5, 0}, recog::PixelBox{10, 10, -3, 5}}) {
        EXPECT_NE(app::box_problem(b, 320, 240).find("empty"), std::string::npos);
    }
    for (const recog::PixelBox& b :
         {recog::PixelBox{300, 10, 21, 5}, recog::PixelBox{0, 200, 5, 41}, recog::PixelBox{-1, 0, 5, 5},
          recog::PixelBox{0, -1, 5, 5}, recog::PixelBox{2147483647, 0, 1, 1}}) {
        EXPECT_EQ(app::box_problem(b, 320, 240), "the box reaches outside the 320 x 240 picture");
    }
}

TEST(tune, help_and_the_programs_usage_name_the_command) {
    TempDir dir;
    const TuneRun r = tune(dir, {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Usage: cone-locator [OPTIONS] tune", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("--box-left x,y,w,h"), std::string::npos);
    EXPECT_EQ(r.err, "");

    ChildProcess p(CONE_LOCATOR_BIN, {"--help"});
    EXPECT_EQ(p.wait_exit(), 0);
    EXPECT_NE(p.output().find("cone-locator [OPTIONS] tune"), std::string::npos);
}

TEST(tune, bad_boxes_and_pictures_end_with_status_2_and_write_nothing) {
    TempDir dir;
    const sim::Scene scene = orange_scene();
    write_pictures(dir, scene);
    write_file(dir.file("rk9t_color.dat"), "0,230,116,132\n1,230,116,132\n");
    const std::vector<std::string> right = {"--box-right", "10,10,20,20"};
    const struct {
        std::vector<std::string> words;
        std::string message;
    } cases[] = {
        {{"--box-left", "300,10,40,20"},
         "--box-left 300,10,40,20: the box reaches outside the 320 x 240 picture"},
        {{"--box-left", "-1,10,40,20"}, "the box reaches outside"},
        {{"--box-left", "10,10,0,20"}, "--box-left 10,10,0,20: the box is empty"},
        {{"--box-left", "10,10,20"}, "--box-left 10,10,20: a box is x,y,w,h, four whole numbers"},
        {{"--box-left", "10,10,20,20", "--left", dir.file("nothing.bmp")}, "nothing.bmp: no such file"},
        {{"--box-left", "10,10,20,20", "--mask", dir.file("m.unknown")}, "no picture format"},
    };
    for (const auto& c : cases) {
        const TuneRun r = tune(dir, c.words + right + std::vector<std::string>{"--write"});
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    // Without a display both pictures need a box.
    const TuneRun r = tune(dir, {"--box-left", "10,10,20,20", "--write"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no box in the right picture"), std::string::npos) << r.err;

    EXPECT_EQ(read_file(dir.file("rk9t_color.dat")), "0,230,116,132\n1,230,116,132\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("rk9t_color.dat.bak")));
}

TEST(tune, the_written_table_reads_back_to_the_tuned_colours_and_finds_the_cones) {
    TempDir dir;
    const sim::Scene scene = orange_scene();
    write_pictures(dir, scene);
    const std::string old_table = "0,230,116,132\n1,230,116,132\n";
    write_file(dir.file("rk9t_color.dat"), old_table);

    const TuneRun r = tune(dir, boxes_around(scene, 0) + boxes_around(scene, 1) +
                                    std::vector<std::string>{"--write", "--mask", dir.file("mask.png")});
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("colour table written to " + dir.file("rk9t_color.dat") + " (the old one kept as " +
                         dir.file("rk9t_color.dat.bak") + ")\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(read_file(dir.file("rk9t_color.dat.bak")), old_table);
    // The console shows the lines that were written.
    const std::string written = read_file(dir.file("rk9t_color.dat"));
    EXPECT_EQ(printed_table(r.out), written);

    // The same vectors as the tuning in this process, after the reader's scaling.
    const cv::Mat left = cv::imread(dir.file("rk9t_left.bmp")),
                  right = cv::imread(dir.file("rk9t_right.bmp"));
    recog::TuningView views[2] = {{&left, {}}, {&right, {}}};
    for (int k : {0, 1}) {
        views[0].boxes.push_back(box_around(scene.cones[k], sim::View::left));
        views[1].boxes.push_back(box_around(scene.cones[k], sim::View::right));
    }
    const recog::ColorTuning expected = recog::tune_colors(views, files::ColorTable{});
    files::RecogParams read{};
    {
        platform::ConsoleRedirect quiet(nullptr);
        files::fio_read_recog_plm(&read, dir.file("rk9t_color.dat"), "", files::ParamSources::color_only);
    }
    files::ColorTable expected_unit = expected.table;
    files::normalize_color_vectors(&expected_unit);
    for (int cam = 0; cam < 2; ++cam) {
        ASSERT_EQ(read.colors.color_num[cam], expected.table.color_num[cam]);
        ASSERT_GT(read.colors.color_num[cam], 0);
        EXPECT_EQ(std::memcmp(read.colors.color_vec[cam], expected_unit.color_vec[cam],
                              read.colors.color_num[cam] * sizeof(float[3])),
                  0);
    }
    char th_line[32];
    std::snprintf(th_line, sizeof th_line, "color_th,%d.%03d\n", expected.th_thousandths / 1000,
                  expected.th_thousandths % 1000);
    EXPECT_NE(r.out.find(std::string("threshold for the request: ") + th_line), std::string::npos) << r.out;

    // With that threshold in the request, a request's recognition finds all three cones.
    write_file(dir.file("req_file.dat"), th_line);
    ChildProcess locate(CONE_LOCATOR_BIN,
                        {"--headless", "--encoding", "utf-8", "--work-dir", dir.path(), "locate", "--left",
                         dir.file("rk9t_left.bmp"), "--right", dir.file("rk9t_right.bmp")});
    ASSERT_EQ(locate.wait_exit(), 0) << locate.error_output();
    EXPECT_NE(locate.output().find("総対象数：3\n"), std::string::npos) << locate.output();

    // The mask picture: both pictures beside their masks, left above right, cones black on white.
    const cv::Mat mask = cv::imread(dir.file("mask.png"));
    ASSERT_EQ(mask.size(), cv::Size(640, 480));
    const sim::ConeTruth t = sim::project(scene.cones[2], sim::View::right);
    EXPECT_EQ(mask.at<cv::Vec3b>(240 + int(std::lround(t.row)), 320 + int(std::lround(t.col))),
              cv::Vec3b(0, 0, 0))
        << "the unboxed cone's centre in the right mask";
    EXPECT_EQ(mask.at<cv::Vec3b>(240 + 5, 320 + 5), cv::Vec3b(255, 255, 255));
}

TEST(tune, append_keeps_the_old_colours_first_and_without_write_nothing_changes) {
    TempDir dir;
    const sim::Scene scene = orange_scene();
    write_pictures(dir, scene);
    const std::string old_table = "0,0,255,0\n1,0,255,0\n";  // green: keeps nothing of the cones
    write_file(dir.file("rk9t_color.dat"), old_table);

    TuneRun r = tune(dir, boxes_around(scene, 0) + std::vector<std::string>{"--append"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("the table was not written (--write writes it to "), std::string::npos) << r.out;
    EXPECT_EQ(read_file(dir.file("rk9t_color.dat")), old_table);
    EXPECT_FALSE(std::filesystem::exists(dir.file("rk9t_color.dat.bak")));

    r = tune(dir, boxes_around(scene, 0) + std::vector<std::string>{"--append", "--write"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(" kept)"), std::string::npos);
    const std::string written = read_file(dir.file("rk9t_color.dat"));
    // Camera 0's kept line, then its new ones; camera 1 likewise.
    EXPECT_EQ(written.rfind("0,0,255,0\n0,", 0), 0u) << written;
    EXPECT_NE(written.find("\n1,0,255,0\n1,"), std::string::npos) << written;
    EXPECT_EQ(read_file(dir.file("rk9t_color.dat.bak")), old_table);
}

TEST(tune, boxes_of_background_alone_write_no_table) {
    TempDir dir;
    write_pictures(dir, orange_scene());
    write_file(dir.file("rk9t_color.dat"), "0,230,116,132\n");
    const TuneRun r = tune(dir, {"--box-left", "0,0,30,30", "--box-right", "0,0,30,30", "--write"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("no colour of the boxes stands out"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("the table was not written"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(dir.file("rk9t_color.dat")), "0,230,116,132\n");
}

}  // namespace
