// The stereo service against a hostile work directory, end to end on the simulated rig: what is
// no request, a request that can't be deleted, a full disk, a colour table that is a FIFO, and a
// second service on the same directory. Nothing may block it, be answered twice or be left half
// written, and each fault is named.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "tests/app/mode_test_support.h"
#include "tests/app/service_test_support.h"

namespace {

using service_test::three_cones;
using service_test::write_request;
using test_support::ChildOptions;
using test_support::ChildProcess;
using test_support::TempDir;

const std::string kHints =
    "[q]キーを押すと終了します。\n"
    "[c]キーを押すとファイルへセーブします。\n"
    "[t]キーを押すとテスト動作を実行します。\n";
const std::string kHeading = "\n\n----------------画像取込　認識開始-----------\n";
const std::string kNoRequest =
    "エラー！(corn_location_service)"
    "リクエストファイルが通常のファイルではありません。リクエストとして扱いません。\n";
const std::string kUndeletable =
    "エラー！(corn_location_service)"
    "リクエストファイルを削除できません。なくなるまでこのリクエストには応答しません。"
    "\n";

bool exists(const std::string& path) {
    return std::filesystem::exists(std::filesystem::symlink_status(path));
}

// The scene and the colour table in the work directory; the command line of `serve` on them.
std::vector<std::string> serve_args(const TempDir& dir) {
    test_support::write_file(dir.file("scene.txt"), sim::format_scene(three_cones()));
    test_support::write_file(dir.file("rk9t_color.dat"), service_test::kColorTable);
    return mode_test::args(dir, {"--scene", dir.file("scene.txt"), "serve"});
}

// One pass of the loop at least has ended since the call: key c is answered in its own pass.
size_t pass_by(ChildProcess& p, size_t from) {
    p.send("c");
    const auto at = p.wait_for_output("Captured!!\n", from);
    EXPECT_TRUE(at) << p.output();
    return at.value_or(from);
}

// SIGTERM ends the service through its tear-down within the bound; the time it took.
std::chrono::milliseconds stop_with_sigterm(ChildProcess& p) {
    const auto t0 = std::chrono::steady_clock::now();
    p.send_signal(SIGTERM);
    // Bounded generously for a loaded machine; a blocked service never ends at all.
    EXPECT_EQ(p.wait_exit(std::chrono::seconds(10)), 0) << p.output();
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
    ::testing::Test::RecordProperty("sigterm_to_exit_ms", static_cast<int>(took.count()));
    return took;
}

// Hidden temporary files left in the directory.
std::vector<std::string> temporaries_in(const TempDir& dir) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = e.path().filename();
        if (name.ends_with(".tmp")) found.push_back(name);
    }
    return found;
}

TEST(service_faults, a_fifo_or_directory_named_as_the_request_is_named_once_and_left_alone) {
    for (const bool fifo : {true, false}) {
        SCOPED_TRACE(fifo ? "FIFO" : "directory");
        TempDir dir;
        ChildProcess p(CONE_LOCATOR_BIN, serve_args(dir));
        auto at = p.wait_for_output(kHints);
        ASSERT_TRUE(at);
        const std::string request = dir.file("req_file.dat");
        if (fifo) {
            ASSERT_EQ(mkfifo(request.c_str(), 0644), 0);
        } else {
            std::filesystem::create_directory(request);
        }
        const std::string detail =
            "  " + request + ": not a regular file (" + (fifo ? "a FIFO" : "a directory") + ")\n";
        ASSERT_TRUE(p.wait_for_output(kNoRequest + detail, *at)) << p.output();
        size_t from = pass_by(p, *at);
        from = pass_by(p, from);
        EXPECT_EQ(mode_test::count(p.output(), kNoRequest), 1);
        EXPECT_EQ(p.output().find(kHeading), std::string::npos);
        EXPECT_TRUE(exists(request)) << "left alone";
        EXPECT_FALSE(exists(dir.file("notify.txt")));

        // Once it has gone, a real request is answered as ever.
        std::filesystem::remove(request);
        write_request(dir.path());
        ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt")));
        EXPECT_FALSE(exists(request));
        stop_with_sigterm(p);
    }
}

TEST(service_faults, a_fifo_as_colour_table_is_named_and_sigterm_still_ends_the_service) {
    TempDir dir;
    std::vector<std::string> args = serve_args(dir);
    const std::string table = dir.file("rk9t_color.dat");
    std::filesystem::remove(table);
    ASSERT_EQ(mkfifo(table.c_str(), 0644), 0);  // an open that waits for a writer would never end
    ChildProcess p(CONE_LOCATOR_BIN, args);
    const std::string named = "エラー！(fio_read_color_file)カラーファイルを開けませんでした。\n  " + table +
                              ": not a regular file (a FIFO)\n";
    const auto start = p.wait_for_output(kHints);
    ASSERT_TRUE(start) << p.output();
    EXPECT_EQ(mode_test::count(p.output(), named), 1) << "read at start";
    write_request(dir.path());
    ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt")));
    EXPECT_TRUE(p.wait_for_output("総対象数：0\n", *start)) << "no colours: nothing found";
    EXPECT_EQ(mode_test::count(p.output(), named), 2) << "and again for the request";
    stop_with_sigterm(p);
}

// Sets or clears the immutable attribute: a file that nobody, root included, can delete.
bool set_immutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

TEST(service_faults, a_request_that_cannot_be_deleted_is_answered_once_and_named_once) {
    TempDir dir;
    const std::vector<std::string> args = serve_args(dir);
    const std::string request = dir.file("req_file.dat");
    write_request(dir.path());
    if (!set_immutable(request, true)) {
        GTEST_SKIP() << "no immutable files here (needs root and a file system that has them)";
    }
    struct Undo {
        std::string path;
        ~Undo() { set_immutable(path, false); }  // or the directory can't be removed
    } undo{request};

    ChildProcess p(CONE_LOCATOR_BIN, args);
    const auto start = p.wait_for_output(kHints);
    ASSERT_TRUE(start);
    ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt"))) << p.output();
    ASSERT_TRUE(p.wait_for_output(kUndeletable + "  " + request + ": Operation not permitted\n", *start))
        << p.output();
    service_test::expect_report_matches(test_support::read_file(dir.file("report.txt")), three_cones());
    std::filesystem::remove(dir.file("notify.txt"));
    size_t from = pass_by(p, *start);
    from = pass_by(p, from);
    EXPECT_EQ(mode_test::count(p.output(), kHeading), 1) << "answered once";
    EXPECT_EQ(mode_test::count(p.output(), kUndeletable), 1) << "named once";
    EXPECT_FALSE(exists(dir.file("notify.txt"))) << "no second answer";

    // Once it is gone, the next request is answered.
    ASSERT_TRUE(set_immutable(request, false));
    std::filesystem::remove(request);
    write_request(dir.path());
    ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt")));
    EXPECT_FALSE(exists(request));
    EXPECT_EQ(mode_test::count(p.output(), kHeading), 2);
    stop_with_sigterm(p);
}

TEST(service_faults, on_a_full_disk_nothing_is_left_cut_short_and_each_failed_file_is_named) {
    // 100000 bytes hold the binary pictures (77878) and the report, not the colour pictures
    // (230454); 10 bytes hold nothing but the empty notify file.
    for (const long long limit : {100000LL, 10LL}) {
        SCOPED_TRACE("file size limit " + std::to_string(limit));
        TempDir dir;
        ChildOptions options;
        options.file_size_limit = limit;
        ChildProcess p(CONE_LOCATOR_BIN, serve_args(dir), options);
        const auto start = p.wait_for_output(kHints);
        ASSERT_TRUE(start) << p.output() << p.error_output();
        test_support::write_file(dir.file("rk9t_left.bmp"), "the picture of an earlier request");
        write_request(dir.path());
        ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt")));
        const auto total = p.wait_for_output("総対象数：", *start);
        ASSERT_TRUE(total);
        const std::string out = p.output();
        for (const char* name : {"rk9t_left.bmp", "rk9t_right.bmp"}) {
            EXPECT_NE(out.find("エラー！ファイル名：" + dir.file(name) +
                               "に書き込めません（File too large）．(corn_location_service)\n"),
                      std::string::npos)
                << out;
        }
        // Not replaced by a part of the new one, and no part of it anywhere.
        EXPECT_EQ(test_support::read_file(dir.file("rk9t_left.bmp")), "the picture of an earlier request");
        EXPECT_FALSE(exists(dir.file("rk9t_right.bmp")));
        EXPECT_EQ(temporaries_in(dir), std::vector<std::string>{});
        EXPECT_FALSE(exists(dir.file("req_file.dat")));
        EXPECT_EQ(test_support::read_file(dir.file("notify.txt")), "");
        if (limit == 100000) {
            for (const char* name : {"rk9t_left_bin.bmp", "rk9t_right_bin.bmp"})
                EXPECT_EQ(std::filesystem::file_size(dir.file(name)), 77878u) << name;
            service_test::expect_report_matches(test_support::read_file(dir.file("report.txt")),
                                                three_cones());
        } else {
            for (const char* name : {"rk9t_left_bin.bmp", "rk9t_right_bin.bmp"}) {
                EXPECT_NE(out.find("エラー！ファイル名：" + dir.file(name) +
                                   "に書き込めません（File too large）．(corn_find)\n"),
                          std::string::npos)
                    << out;
                EXPECT_FALSE(exists(dir.file(name)));
            }
            EXPECT_NE(out.find("エラー！ファイル名：" + dir.file("report.txt") +
                               "に書き込めません（File too large）．(corn_get_location)\n"),
                      std::string::npos)
                << out;
            EXPECT_FALSE(exists(dir.file("report.txt"))) << "no report is no answer to take for found cones";
        }
        stop_with_sigterm(p);
    }
}

TEST(service_faults, a_second_service_on_the_work_directory_is_refused_and_names_the_first) {
    TempDir dir;
    ChildProcess first(CONE_LOCATOR_BIN, serve_args(dir));
    const auto start = first.wait_for_output(kHints);
    ASSERT_TRUE(start);
    // It says where it serves and what it waits for.
    EXPECT_TRUE(
        first.wait_for_output("作業ディレクトリ：" + dir.path() + "\n" +
                                  "req_file.dat が置かれるのを待ちます（置かれたらすぐに応答します）。\n",
                              *start))
        << first.output();
    const std::string holder = test_support::read_file(dir.file("service.lock"));
    ASSERT_FALSE(holder.empty());
    const std::string refused = "エラー！(corn_location_service)作業ディレクトリ " + dir.path() +
                                " では別のサービス（プロセス " + holder.substr(0, holder.find('\n')) +
                                "）が動いています。\n";

    ChildProcess second(CONE_LOCATOR_BIN, serve_args(dir));
    EXPECT_EQ(second.wait_exit(), 1);
    EXPECT_NE(second.output().find(refused), std::string::npos) << second.output();
    EXPECT_EQ(second.output().find("SETUP: Setting up device"), std::string::npos) << "no camera opened";

    // From the menu: refused, and the menu comes back.
    ChildProcess menu(CONE_LOCATOR_BIN, mode_test::args(dir));
    const auto shown = menu.wait_for_output(mode_test::kMenuEnd);
    ASSERT_TRUE(shown);
    menu.send("4\n");
    const auto said = menu.wait_for_output(refused, *shown);
    ASSERT_TRUE(said) << menu.output();
    EXPECT_TRUE(menu.wait_for_output(mode_test::kMenuEnd, *said));

    // The first one answers alone, once; when it has ended the directory is free again.
    write_request(dir.path());
    ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt")));
    ASSERT_TRUE(test_support::wait_for_no_file(dir.file("req_file.dat")));
    stop_with_sigterm(first);
    EXPECT_EQ(mode_test::count(first.output() + second.output() + menu.output(), kHeading), 1);
    menu.send("4\n");
    EXPECT_TRUE(menu.wait_for_output(kHints, *said)) << menu.output();
    menu.send("q");
    menu.send("99\n");
    EXPECT_EQ(menu.wait_exit(), 0);
}

}  // namespace
