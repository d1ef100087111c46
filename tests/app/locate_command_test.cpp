// `cone-locator locate`: arguments, defaults and failures of the offline recognition.

#include "app/locate_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "sim/renderer.h"
#include "sim/scene.h"
#include "tests/support/child_process.h"

namespace {

using test_support::ChildProcess;
using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

const std::string kColors = "0,230,116,132\n1,230,116,132\n";
const std::string kRequest = "color_th,0.1\nmin_pixnum,50\nmax_pixnum,5000\n";
const std::string kResults = "＜＜ステレオマッチング結果＞＞\n";

struct LocateRun {
    int status = -1;
    std::string out, err;
};

LocateRun locate(const TempDir& dir, const std::vector<std::string>& words) {
    std::vector<std::string> a{"--headless", "--camera",   "sim",      "--encoding",
                               "utf-8",      "--work-dir", dir.path(), "locate"};
    a.insert(a.end(), words.begin(), words.end());
    ChildProcess p(CONE_LOCATOR_BIN, a);
    LocateRun r;
    r.status = p.wait_exit().value_or(-1);
    r.out = p.output();
    r.err = p.error_output();
    return r;
}

// One cone at 1000 ahead, slightly left: left.bmp and right.bmp in the directory.
void write_pictures(const TempDir& dir) {
    sim::Scene scene;
    sim::Cone cone;
    cone.x = 1000;
    cone.y = 100;
    cone.height = 120;
    cone.width = 84;
    scene.cones = {cone};
    ASSERT_TRUE(cv::imwrite(dir.file("left.bmp"), sim::render(scene, sim::View::left)));
    ASSERT_TRUE(cv::imwrite(dir.file("right.bmp"), sim::render(scene, sim::View::right)));
}

std::vector<std::string> pictures(const TempDir& dir, std::vector<std::string> more = {}) {
    std::vector<std::string> w{"--left", dir.file("left.bmp"), "--right", dir.file("right.bmp")};
    w.insert(w.end(), more.begin(), more.end());
    return w;
}

int count(const std::string& haystack, const std::string& needle) {
    int n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
    return n;
}

TEST(parse_locate_args, options_and_their_values) {
    app::LocateArgs a;
    std::string error;
    ASSERT_TRUE(app::parse_locate_args({"--right", "r.bmp", "--left", "l.bmp", "--report", "out.txt",
                                        "--request", "q.dat", "--colors", "c.dat", "--annotate", "a.png"},
                                       a, error));
    EXPECT_EQ(a.left, "l.bmp");
    EXPECT_EQ(a.right, "r.bmp");
    EXPECT_EQ(a.report, "out.txt");
    EXPECT_EQ(a.request, "q.dat");
    EXPECT_EQ(a.colors, "c.dat");
    EXPECT_EQ(a.annotate, "a.png");

    ASSERT_TRUE(app::parse_locate_args({"--left", "l.bmp", "--right", "r.bmp"}, a, error));
    EXPECT_EQ(a.report, "");  // console only
    EXPECT_EQ(a.request, "");

    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--left", "l.bmp"},
        {"--right", "r.bmp"},
        {"--left", "l.bmp", "--right"},
        {"--left", "l.bmp", "--right", "", "--report", "x"},
        {"--left", "l.bmp", "--right", "r.bmp", "extra"},
        {"--left", "l.bmp", "--right", "r.bmp", "--colour", "c.dat"},
    };
    for (const auto& words : bad) {
        error.clear();
        EXPECT_FALSE(app::parse_locate_args(words, a, error)) << words.size();
        EXPECT_FALSE(error.empty());
    }
    ASSERT_TRUE(app::parse_locate_args({"--left", "l.bmp", "--help"}, a, error));
    EXPECT_TRUE(a.help);
}

TEST(locate, reports_the_cone_with_the_work_directory_files) {
    TempDir dir;
    write_pictures(dir);
    write_file(dir.file("rk9t_color.dat"), kColors);
    write_file(dir.file("req_file.dat"), kRequest);
    const LocateRun r = locate(dir, pictures(dir, {"--report", dir.file("out.txt")}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // The finder's tables for both pictures, then the results, as the service prints them.
    EXPECT_EQ(count(r.out, "\n corn_find \n"), 2);
    EXPECT_EQ(r.out.substr(r.out.find(kResults)).substr(0, kResults.size()), kResults);
    EXPECT_EQ(r.out.substr(r.out.size() - std::string("総対象数：1\n").size()), "総対象数：1\n");
    const std::string report = read_file(dir.file("out.txt"));
    EXPECT_EQ(count(report, "\n"), 4);
    EXPECT_NE(report.find("x_y_z, 10"), std::string::npos) << report;  // about 1000 ahead
    // The binary pictures land in the work directory; the request stays (locate answers nobody).
    EXPECT_EQ(cv::imread(dir.file("rk9t_left_bin.bmp"), cv::IMREAD_UNCHANGED).size(), cv::Size(320, 240));
    EXPECT_EQ(cv::imread(dir.file("rk9t_right_bin.bmp"), cv::IMREAD_UNCHANGED).size(), cv::Size(320, 240));
    EXPECT_TRUE(std::filesystem::exists(dir.file("req_file.dat")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("notify.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("report.txt")));
}

TEST(locate, named_parameter_files_win_over_the_work_directory) {
    TempDir dir;
    write_pictures(dir);
    write_file(dir.file("rk9t_color.dat"), "0,0,255,0\n1,0,255,0\n");  // green: finds nothing
    write_file(dir.file("req_file.dat"), "min_pixnum,100000\n");
    write_file(dir.file("colors.dat"), kColors);
    write_file(dir.file("request.dat"), kRequest);
    const LocateRun r = locate(
        dir, pictures(dir, {"--colors", dir.file("colors.dat"), "--request", dir.file("request.dat")}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("総対象数：1\n"), std::string::npos) << r.out;
}

TEST(locate, without_parameter_files_or_report_it_says_so_and_carries_on) {
    TempDir dir;
    write_pictures(dir);
    const LocateRun r = locate(dir, pictures(dir));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("エラー！(fio_read_color_file)カラーファイルを開けませんでした。\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("エラー！(fio_read_recog_plm)リクエストファイルを開けませんでした。\n"),
              std::string::npos);
    EXPECT_NE(r.out.find(kResults + "総対象数：0\n"), std::string::npos) << r.out;
    // Console only: no report anywhere, and no complaint about one.
    EXPECT_EQ(r.out.find("corn_get_location"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("report.txt")));
}

TEST(locate, pictures_that_are_missing_or_not_camera_pictures_stop_it) {
    TempDir dir;
    write_pictures(dir);
    ASSERT_TRUE(cv::imwrite(dir.file("small.bmp"), cv::Mat(100, 200, CV_8UC3, cv::Scalar(1, 2, 3))));
    ASSERT_TRUE(cv::imwrite(dir.file("grey.bmp"), cv::Mat(240, 320, CV_8UC1, cv::Scalar(9))));
    write_file(dir.file("text.bmp"), "not a picture\n");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {dir.file("none.bmp"), "no such file"},
        {dir.file("small.bmp"), "200 x 100"},
        {dir.file("grey.bmp"), "not an 8-bit colour picture"},
        {dir.file("text.bmp"), "not a picture that can be read"},
    };
    for (const auto& [bad, reason] : cases) {
        for (bool on_left : {true, false}) {
            const LocateRun r =
                locate(dir, {"--left", on_left ? bad : dir.file("left.bmp"), "--right",
                             on_left ? dir.file("right.bmp") : bad, "--report", dir.file("out.txt")});
            EXPECT_EQ(r.status, 2) << bad;
            EXPECT_NE(r.err.find(bad + ": " + reason), std::string::npos) << r.err;
            EXPECT_EQ(r.out, "") << bad;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("rk9t_left_bin.bmp")));
}

TEST(locate, bad_arguments_and_missing_named_files_stop_it) {
    TempDir dir;
    write_pictures(dir);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "both --left and --right"},
        {pictures(dir, {"--report"}), "--report needs a file name"},
        {pictures(dir, {"--frobnicate"}), "unknown argument '--frobnicate'"},
        {pictures(dir, {"--request", dir.file("none.dat")}), dir.file("none.dat") + ": no such file"},
        {pictures(dir, {"--colors", dir.file("none.dat")}), dir.file("none.dat") + ": no such file"},
        {pictures(dir, {"--annotate", dir.file("out.xyz")}), "no picture format"},
    };
    for (const auto& [words, message] : cases) {
        const LocateRun r = locate(dir, words);
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const LocateRun help = locate(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: cone-locator [OPTIONS] locate --left L.bmp --right R.bmp"),
              std::string::npos);
}

TEST(locate, a_report_that_cannot_be_written_fails_after_the_results) {
    TempDir dir;
    write_pictures(dir);
    write_file(dir.file("rk9t_color.dat"), kColors);
    write_file(dir.file("req_file.dat"), kRequest);
    const std::string path = dir.file("no/such/dir/report.txt");
    const LocateRun r = locate(dir, pictures(dir, {"--report", path}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("エラー！ファイル名：" + path + "を書き込み用に開けません．(corn_get_location)\n  " +
                         path + ": cannot create a file in " + dir.file("no/such/dir/") +
                         ": No such file or directory\n" + kResults),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find(path + ": the report could not be written: cannot create a file in"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("総対象数：1\n"), std::string::npos);
}

TEST(locate, annotated_picture) {
    TempDir dir;
    write_pictures(dir);
    write_file(dir.file("rk9t_color.dat"), kColors);
    write_file(dir.file("req_file.dat"), kRequest);
    const LocateRun r = locate(dir, pictures(dir, {"--annotate", dir.file("seen.png")}));
    ASSERT_EQ(r.status, 0) << r.err;
    const cv::Mat seen = cv::imread(dir.file("seen.png"), cv::IMREAD_UNCHANGED);
    ASSERT_EQ(seen.size(), cv::Size(1280, 504));
    // It shows the pictures as they were loaded, not their binarized remains.
    const cv::Mat left = cv::imread(dir.file("left.bmp"), cv::IMREAD_UNCHANGED);
    EXPECT_EQ(seen.at<cv::Vec3b>(20, 20), left.at<cv::Vec3b>(10, 10));

    const LocateRun unwritable = locate(dir, pictures(dir, {"--annotate", dir.file("no/dir/seen.png")}));
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("the annotated picture could not be written"), std::string::npos);
}

}  // namespace
