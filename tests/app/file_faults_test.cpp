// Inputs that are no readable files, and outputs that can't be written, in `locate`, the edge test
// (item 6), the still feed (item 7) and the scene option: nothing hangs (each run is bounded),
// each problem is named with its path, and no failed run leaves a report behind.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "sim/renderer.h"
#include "sim/scene.h"
#include "tests/app/mode_test_support.h"

namespace {

using test_support::ChildOptions;
using test_support::ChildProcess;
using test_support::TempDir;
using test_support::write_file;

// Longer than any of these runs takes on a loaded machine; a blocked run takes forever.
constexpr auto kBound = std::chrono::seconds(30);

struct RunResult {
    std::optional<int> status;
    std::string out, err;
};

RunResult run(const std::vector<std::string>& args, const ChildOptions& options = {},
              const std::string& input = "") {
    ChildProcess p(CONE_LOCATOR_BIN, args, options);
    if (!input.empty()) p.send(input);
    p.close_stdin();
    RunResult r;
    r.status = p.wait_exit(kBound);
    r.out = p.output();
    r.err = p.error_output();
    return r;
}

std::vector<std::string> locate_args(const TempDir& dir, std::vector<std::string> words) {
    std::vector<std::string> a = mode_test::args(dir, {"locate"});
    a.insert(a.end(), words.begin(), words.end());
    return a;
}

// A camera pair's pictures of one cone, the colour table and a request, in the directory.
void write_inputs(const TempDir& dir) {
    sim::Scene scene;
    scene.cones = {sim::Cone{1000, 100, 0}};
    ASSERT_TRUE(cv::imwrite(dir.file("left.bmp"), sim::render(scene, sim::View::left)));
    ASSERT_TRUE(cv::imwrite(dir.file("right.bmp"), sim::render(scene, sim::View::right)));
    write_file(dir.file("colors.dat"), "0,230,116,132\n1,230,116,132\n");
    write_file(dir.file("request.dat"), "color_th,0.1\nmin_pixnum,50\nmax_pixnum,5000\n");
}

// Puts something that is no readable file at path; its reason as the tool states it.
std::string make_bad(const std::string& kind, const std::string& path) {
    std::filesystem::remove(path);
    if (kind == "fifo") {
        EXPECT_EQ(mkfifo(path.c_str(), 0644), 0);
        return "not a regular file (a FIFO)";
    }
    if (kind == "directory") {
        std::filesystem::create_directory(path);
        return "not a regular file (a directory)";
    }
    if (kind == "zero") {
        std::filesystem::create_symlink("/dev/zero", path);  // endless
        return "not a regular file (a character device)";
    }
    write_file(path, "0,1,2,3\n");
    std::filesystem::permissions(path, std::filesystem::perms::none);
    return "no permission to read it";
}

TEST(locate_faults, a_named_input_that_is_no_readable_file_stops_it_with_status_2_and_no_report) {
    TempDir dir;
    write_inputs(dir);
    ChildOptions as_user;
    const bool can_switch = test_support::unprivileged_user(as_user.uid, as_user.gid);
    if (can_switch) std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    const std::vector<std::string> kinds =
        can_switch || geteuid() != 0 ? std::vector<std::string>{"fifo", "directory", "zero", "unreadable"}
                                     : std::vector<std::string>{"fifo", "directory", "zero"};
    for (const std::string& kind : kinds) {
        for (const std::string option : {"--left", "--right", "--colors", "--request"}) {
            SCOPED_TRACE(kind + " as " + option);
            const std::string bad = dir.file("bad" + option.substr(2));
            const std::string reason = make_bad(kind, bad);
            std::vector<std::string> words{
                "--left",   dir.file("left.bmp"),   "--right",   dir.file("right.bmp"),
                "--colors", dir.file("colors.dat"), "--request", dir.file("request.dat"),
                "--report", dir.file("out.txt")};
            for (size_t i = 0; i < words.size(); i += 2) {
                if (words[i] == option) words[i + 1] = bad;
            }
            write_file(dir.file("out.txt"), "a report of an earlier run");
            if (can_switch) std::filesystem::permissions(dir.file("out.txt"), std::filesystem::perms(0666));
            const RunResult r = run(locate_args(dir, words), kind == "unreadable" ? as_user : ChildOptions{});
            ASSERT_TRUE(r.status) << "no end within the bound";
            EXPECT_EQ(*r.status, 2) << r.err;
            EXPECT_NE(r.err.find("cone-locator locate: " + bad + ": " + reason), std::string::npos) << r.err;
            EXPECT_FALSE(std::filesystem::exists(dir.file("out.txt"))) << "the earlier report must go";
            std::filesystem::remove(bad);
        }
    }
}

TEST(locate_faults, a_report_that_cannot_be_written_leaves_no_report_and_no_part_of_one) {
    TempDir dir;
    write_inputs(dir);
    write_file(dir.file("out.txt"), "a report of an earlier run");
    ChildOptions full_disk;
    full_disk.file_size_limit = 100;  // less than the report of one cone
    const RunResult r =
        run(locate_args(dir, {"--left", dir.file("left.bmp"), "--right", dir.file("right.bmp"), "--colors",
                              dir.file("colors.dat"), "--request", dir.file("request.dat"), "--report",
                              dir.file("out.txt")}),
            full_disk);
    ASSERT_TRUE(r.status);
    EXPECT_EQ(*r.status, 1);
    EXPECT_NE(r.out.find("総対象数：1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(dir.file("out.txt") + ": the report could not be written: File too large"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.txt")));
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_FALSE(e.path().filename().string().ends_with(".tmp")) << e.path();
}

TEST(edge_test_faults, a_picture_that_is_there_but_unusable_is_named_with_the_reason) {
    TempDir dir;
    const std::string input = dir.file("rk9t_right.bmp");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"fifo", "not a regular file (a FIFO)"},
        {"text", "not a picture that can be read (unknown form, or cut short)"},
    };
    for (const auto& [kind, reason] : cases) {
        SCOPED_TRACE(kind);
        std::filesystem::remove(input);
        if (kind == "fifo") {
            ASSERT_EQ(mkfifo(input.c_str(), 0644), 0);
        } else {
            write_file(input, "BM not really");
        }
        const RunResult r = run(mode_test::args(dir), {}, "6\n99\n");
        ASSERT_TRUE(r.status) << "no end within the bound";
        EXPECT_EQ(*r.status, 0);
        EXPECT_NE(r.out.find("画像が見つかりません\n  " + input + ": " + reason + "\n入力ファイル：" + input +
                             "\n"),
                  std::string::npos)
            << r.out;
        EXPECT_FALSE(std::filesystem::exists(dir.file("rk9t_work.bmp")));
        EXPECT_EQ(r.err.find("imdecode"), std::string::npos) << "the image library keeps quiet: " << r.err;
    }
}

TEST(still_feed_faults, a_still_that_is_there_but_unusable_ends_the_mode_and_says_so) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("static_movie/red_corn2"));
    const std::string still = dir.file("static_movie/red_corn2/capt3_00534.bmp");
    ASSERT_EQ(mkfifo(still.c_str(), 0644), 0);
    RunResult r = run(mode_test::args(dir), {}, "7\n99\n");
    ASSERT_TRUE(r.status) << "no end within the bound";
    EXPECT_EQ(*r.status, 0);
    const std::string ends = "エラー！(static_movie_feed)静止画を読み込めません：" + still;
    EXPECT_NE(r.out.find(ends + "：not a regular file (a FIFO)。ここで終わります。\n"), std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("応答していません"), std::string::npos) << "no request waits";

    // Damaged, with a request waiting: the request is left, and the line says so.
    std::filesystem::remove(still);
    write_file(still, "BM cut short");
    write_file(dir.file("req_file.dat"), "");
    r = run(mode_test::args(dir), {}, "7\n99\n");
    ASSERT_TRUE(r.status);
    EXPECT_NE(
        r.out.find(ends +
                   "：not a picture that can be read (unknown form, or cut short)。ここで終わります。\n  "
                   "リクエストファイル " +
                   dir.file("req_file.dat") + " には応答していません。\n"),
        std::string::npos)
        << r.out;
    EXPECT_TRUE(std::filesystem::exists(dir.file("req_file.dat")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("notify.txt")));

    // A missing still stays the sequence's quiet end.
    std::filesystem::remove(still);
    r = run(mode_test::args(dir), {}, "7\n99\n");
    EXPECT_EQ(r.out.find("静止画を読み込めません"), std::string::npos) << r.out;
}

TEST(scene_faults, a_scene_that_is_no_readable_file_stops_the_start) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("scene.txt").c_str(), 0644), 0);
    const RunResult r = run(mode_test::args(dir, {"--scene", dir.file("scene.txt"), "serve"}));
    ASSERT_TRUE(r.status) << "no end within the bound";
    EXPECT_EQ(*r.status, 2);
    EXPECT_NE(r.err.find(dir.file("scene.txt") + ": not a regular file (a FIFO)"), std::string::npos)
        << r.err;
}

}  // namespace
