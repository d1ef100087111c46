// Menu item 4 and `serve` run end to end on the simulated stereo rig: the controller's side of the
// request/notify hand-shake, the keys, and the ways the service ends.

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "tests/app/mode_test_support.h"
#include "tests/app/service_test_support.h"

namespace {

using mode_test::kMenuEnd;
using service_test::three_cones;
using service_test::write_request;
using test_support::ChildProcess;
using test_support::TempDir;

const std::string kHints =
    "[q]キーを押すと終了します。\n"
    "[c]キーを押すとファイルへセーブします。\n"
    "[t]キーを押すとテスト動作を実行します。\n";
const std::string kHeading = "\n\n----------------画像取込　認識開始-----------\n";

bool exists(const std::string& path) { return std::filesystem::exists(path); }

// Command line on the scene, with the controller's colour table in the work directory.
std::vector<std::string> service_args(const TempDir& dir, const sim::Scene& scene,
                                      std::vector<std::string> extra = {}) {
    test_support::write_file(dir.file("scene.txt"), sim::format_scene(scene));
    test_support::write_file(dir.file("rk9t_color.dat"), service_test::kColorTable);
    extra.insert(extra.begin(), {"--scene", dir.file("scene.txt")});
    return mode_test::args(dir, extra);
}

// Offset of the output after the key hints.
size_t start_service(ChildProcess& p) {
    p.send("4\n");
    const auto at = p.wait_for_output(kHints);
    EXPECT_TRUE(at) << p.output();
    return at.value_or(0);
}

bool pictures_show(const TempDir& dir, const sim::Scene& scene) {
    return service_test::same_picture(mode_test::read_picture(dir.file("rk9t_left.bmp")),
                                      sim::render(scene, sim::View::left)) &&
           service_test::same_picture(mode_test::read_picture(dir.file("rk9t_right.bmp")),
                                      sim::render(scene, sim::View::right));
}

// Presses c until the saved pictures show the scene, upright (the first fetch may come before the
// cameras' first frame on a loaded machine). Returns the output offset after the last
// "Captured!!".
size_t press_c_until_pictures_show(ChildProcess& p, const TempDir& dir, const sim::Scene& scene,
                                   size_t from) {
    const auto deadline = std::chrono::steady_clock::now() + test_support::kLongWait;
    while (std::chrono::steady_clock::now() < deadline) {
        p.send("c");
        const auto at = p.wait_for_output("Captured!!\n", from);
        if (!at) break;
        from = *at;
        if (pictures_show(dir, scene)) return from;
    }
    ADD_FAILURE() << "the saved pictures never showed the scene upright";
    return from;
}

void quit_to_menu_and_exit(ChildProcess& p, size_t from) {
    p.send("q");
    EXPECT_TRUE(p.wait_for_output(kMenuEnd, from));
    p.send("99\n");
    EXPECT_EQ(p.wait_exit(), 0);
}

// The file operations in the work directory, in the order they happened.
class DirEvents {
public:
    explicit DirEvents(const std::string& dir) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        EXPECT_GE(inotify_add_watch(fd_, dir.c_str(), IN_CLOSE_WRITE | IN_DELETE | IN_CREATE | IN_MOVED_TO),
                  0);
    }
    ~DirEvents() { close(fd_); }
    DirEvents(const DirEvents&) = delete;
    DirEvents& operator=(const DirEvents&) = delete;

    // "write NAME", "delete NAME", "create NAME" or "move NAME" per event so far.
    std::vector<std::string> take() {
        alignas(inotify_event) char buffer[8192];
        for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                const std::string name = e->len ? e->name : "";
                if (e->mask & IN_CLOSE_WRITE) events_.push_back("write " + name);
                if (e->mask & IN_DELETE) events_.push_back("delete " + name);
                if (e->mask & IN_CREATE) events_.push_back("create " + name);
                if (e->mask & IN_MOVED_TO) events_.push_back("move " + name);
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        return events_;
    }

private:
    int fd_;
    std::vector<std::string> events_;
};

// Index of the first event, or -1.
int index_of(const std::vector<std::string>& events, const std::string& event) {
    const auto it = std::find(events.begin(), events.end(), event);
    return it == events.end() ? -1 : static_cast<int>(it - events.begin());
}
int last_index_of(const std::vector<std::string>& events, const std::string& event) {
    const auto it = std::find(events.rbegin(), events.rend(), event);
    return it == events.rend() ? -1 : static_cast<int>(events.rend() - it - 1);
}

std::string joined(const std::vector<std::string>& events) {
    std::string s;
    for (const auto& e : events) s += e + "\n";
    return s;
}

TEST(corn_location_service, a_request_is_answered_with_pictures_report_and_then_notify) {
    TempDir dir;
    const sim::Scene scene = three_cones();
    ChildProcess p(CONE_LOCATOR_BIN, service_args(dir, scene));
    const size_t from = press_c_until_pictures_show(p, dir, scene, start_service(p));
    for (const char* name : {"rk9t_left.bmp", "rk9t_right.bmp"}) std::filesystem::remove(dir.file(name));

    DirEvents events(dir.path());
    write_request(dir.path());
    ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt")));
    // The notify file's arrival is queued by the time it can be seen. Every file arrives whole,
    // renamed into place ("move"), and is never written under its own name.
    const std::vector<std::string> seen = events.take();
    const int report_written = last_index_of(seen, "move report.txt");
    const int request_deleted = index_of(seen, "delete req_file.dat");
    const int notify_created = index_of(seen, "move notify.txt");
    ASSERT_GE(report_written, 0) << joined(seen);
    ASSERT_GE(index_of(seen, "move rk9t_left.bmp"), 0) << joined(seen);
    EXPECT_LT(index_of(seen, "move rk9t_left.bmp"), index_of(seen, "move rk9t_right.bmp")) << joined(seen);
    EXPECT_LT(index_of(seen, "move rk9t_right.bmp"), index_of(seen, "move rk9t_left_bin.bmp"))
        << joined(seen);
    EXPECT_LT(index_of(seen, "move rk9t_left_bin.bmp"), index_of(seen, "move rk9t_right_bin.bmp"))
        << joined(seen);
    EXPECT_LT(index_of(seen, "move rk9t_right_bin.bmp"), report_written) << joined(seen);
    EXPECT_LT(report_written, request_deleted) << joined(seen);
    EXPECT_LT(request_deleted, notify_created) << joined(seen);
    for (const char* name : {"report.txt", "notify.txt", "rk9t_left.bmp", "rk9t_right.bmp",
                             "rk9t_left_bin.bmp", "rk9t_right_bin.bmp"}) {
        EXPECT_EQ(index_of(seen, std::string("write ") + name), -1) << joined(seen);
        EXPECT_EQ(index_of(seen, std::string("create ") + name), -1) << joined(seen);
    }

    EXPECT_FALSE(exists(dir.file("req_file.dat")));
    EXPECT_EQ(test_support::read_file(dir.file("notify.txt")), "");
    EXPECT_TRUE(pictures_show(dir, scene));
    service_test::expect_report_matches(test_support::read_file(dir.file("report.txt")), scene);
    // The binary pictures are upright too: cone centres are foreground (0), the corner is not.
    for (auto [name, view] :
         {std::pair{"rk9t_left_bin.bmp", sim::View::left}, {"rk9t_right_bin.bmp", sim::View::right}}) {
        const cv::Mat bin = cv::imread(dir.file(name), cv::IMREAD_GRAYSCALE);
        ASSERT_EQ(bin.size(), cv::Size(320, 240)) << name;
        EXPECT_EQ(bin.at<uint8_t>(0, 0), 255) << name;
        for (const sim::Cone& c : scene.cones) {
            const sim::ConeTruth t = sim::project(c, view);
            EXPECT_EQ(bin.at<uint8_t>(static_cast<int>(t.row + 0.5), static_cast<int>(t.col + 0.5)), 0)
                << name;
        }
    }
    const auto heading = p.wait_for_output(kHeading, from);
    ASSERT_TRUE(heading);
    const auto total = p.wait_for_output("総対象数：3\n", *heading);
    ASSERT_TRUE(total);
    quit_to_menu_and_exit(p, *total);
    EXPECT_EQ(mode_test::count(p.output().substr(*heading), "Captured!!"), 0);
}

TEST(corn_location_service, key_c_alone_saves_the_pictures_and_upper_case_keys_do_nothing) {
    TempDir dir;
    const sim::Scene scene = three_cones();
    ChildProcess p(CONE_LOCATOR_BIN, service_args(dir, scene));
    const size_t from = press_c_until_pictures_show(p, dir, scene, start_service(p));
    // Q, C and T are no keys of the service: the c after them is still served, once.
    p.send("QCTc");
    const auto at = p.wait_for_output("Captured!!\n", from);
    ASSERT_TRUE(at);
    EXPECT_EQ(mode_test::count(p.output().substr(from), "Captured!!"), 1);
    EXPECT_EQ(p.output().find(kHeading), std::string::npos);
    EXPECT_FALSE(exists(dir.file("notify.txt")));
    EXPECT_FALSE(exists(dir.file("report.txt")));
    quit_to_menu_and_exit(p, *at);
}

TEST(corn_location_service, key_t_writes_the_report_into_the_notify_file_and_saves_nothing) {
    TempDir dir;
    const sim::Scene scene = three_cones();
    ChildProcess p(CONE_LOCATOR_BIN, service_args(dir, scene));
    const size_t from = start_service(p);
    // The first passes may come before the cameras' first frame: t until all cones are seen.
    const auto deadline = std::chrono::steady_clock::now() + test_support::kLongWait;
    size_t at = from;
    for (;;) {
        p.send("t");
        const auto total = p.wait_for_output("総対象数：", at);
        ASSERT_TRUE(total);
        at = *total;
        if (p.output().compare(at, 2, "3\n") == 0) break;
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << p.output();
    }
    quit_to_menu_and_exit(p, at);  // the notify file is complete once the service has ended
    service_test::expect_report_matches(test_support::read_file(dir.file("notify.txt")), scene);
    // Without a request the test run says it can't read one, and carries on with what it holds.
    EXPECT_NE(p.output().find("エラー！(fio_read_recog_plm)リクエストファイルを開けませんでした。\n", from),
              std::string::npos);
    EXPECT_FALSE(exists(dir.file("report.txt")));
    EXPECT_FALSE(exists(dir.file("rk9t_left.bmp")));
    EXPECT_FALSE(exists(dir.file("rk9t_right.bmp")));
}

TEST(corn_location_service, a_request_present_when_q_is_pressed_is_still_answered) {
    TempDir dir;
    const sim::Scene scene = three_cones();
    ChildProcess p(CONE_LOCATOR_BIN, service_args(dir, scene));
    const auto menu = p.wait_for_output(kMenuEnd);
    ASSERT_TRUE(menu);
    write_request(dir.path());
    p.send("4\nq");  // q comes in the first pass, which also sees the request
    const auto back = p.wait_for_output(kMenuEnd, *menu);
    ASSERT_TRUE(back);
    EXPECT_FALSE(exists(dir.file("req_file.dat")));
    EXPECT_TRUE(exists(dir.file("notify.txt")));
    EXPECT_TRUE(exists(dir.file("report.txt")));
    EXPECT_NE(p.output().find(kHeading), std::string::npos);
    // Entered again, the service builds everything anew on the same cameras.
    p.send("4\n");
    ASSERT_TRUE(p.wait_for_output(kHints, *back));
    quit_to_menu_and_exit(p, *back);
}

TEST(corn_location_service, a_stalled_rig_is_named_and_answers_only_when_its_frames_come_again) {
    TempDir dir;
    const sim::Scene scene = three_cones();
    // Each stream delivers half a second of frames, then stalls (for a minute: the frozen-device
    // rule's reopen starts a new stream first).
    ChildProcess p(CONE_LOCATOR_BIN,
                   service_args(dir, scene, {"--sim-stall-after", "15", "--sim-stall-ms", "60000"}));
    size_t at = start_service(p);
    const std::string stalled = "エラー！(corn_location_service)カメラ1から1秒間フレームが届いていません。";
    const std::string waiting =
        "  リクエストファイル " + dir.file("req_file.dat") + " にはカメラの画像が届くまで応答しません。\n";
    const std::string back = "カメラ1からまたフレームが届いています（";
    const std::string answering = "カメラの画像が届いたので、待っていたリクエストに応答します。\n";
    // A request put in place once the stall is named waits for the reopened camera's frames. On
    // a machine so loaded that the request came only after them, the next stall is tried.
    bool waited = false;
    for (int stall = 0; stall < 3 && !waited; ++stall) {
        const auto named = p.wait_for_output(stalled, at);
        ASSERT_TRUE(named) << p.output();
        for (const char* name : {"rk9t_left.bmp", "rk9t_right.bmp", "report.txt", "notify.txt"})
            std::filesystem::remove(dir.file(name));
        write_request(dir.path());
        ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt"))) << p.output();
        const auto heading = p.wait_for_output(kHeading, *named);
        ASSERT_TRUE(heading);
        const std::string between = p.output().substr(*named, *heading - *named);
        waited = between.find(waiting) != std::string::npos;
        if (waited) {
            // Not answered while stalled: the frames came back first, and a line says so.
            const size_t said = between.find(waiting);
            EXPECT_NE(between.find("ERROR: Device seems frozen - attempting to reconnect\n", said),
                      std::string::npos)
                << between;
            EXPECT_NE(between.find(back, said), std::string::npos) << between;
            EXPECT_NE(between.find(answering, said), std::string::npos) << between;
        }
        at = *heading;
        EXPECT_FALSE(exists(dir.file("req_file.dat")));
        EXPECT_TRUE(pictures_show(dir, scene));
        service_test::expect_report_matches(test_support::read_file(dir.file("report.txt")), scene);
    }
    EXPECT_TRUE(waited) << p.output();
    quit_to_menu_and_exit(p, at);
}

TEST(serve_command, two_hundred_requests_are_each_answered_once_and_in_order) {
    TempDir dir;
    // Cones 60, 36 and 20 pixels tall: each size limit below reports a different number of them.
    sim::Scene scene;
    scene.cones = {test_support::cone_at(1000, -300, 150, 60), test_support::cone_at(1500, 200, 0, 36),
                   test_support::cone_at(2000, -60, -300, 20)};
    const int max_pixnum[3] = {20000, 900, 300};
    const size_t cones[3] = {3, 2, 1};
    std::vector<std::string> a = service_args(dir, scene);
    a.push_back("serve");
    ChildProcess p(CONE_LOCATOR_BIN, a);
    ASSERT_TRUE(p.wait_for_output(kHints));
    p.close_stdin();
    constexpr int kRequests = 200;
    for (int i = 0; i < kRequests; ++i) {
        const int kind = i % 3;
        std::filesystem::remove(dir.file("report.txt"));
        write_request(dir.path(),
                      "color_th,0.1\nmin_pixnum,50\nmax_pixnum," + std::to_string(max_pixnum[kind]) + "\n");
        ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt"))) << "request " << i;
        EXPECT_FALSE(exists(dir.file("req_file.dat"))) << "request " << i;
        EXPECT_EQ(service_test::parse_report(test_support::read_file(dir.file("report.txt"))).size(),
                  cones[kind])
            << "request " << i << " was answered with another request's parameters";
        std::filesystem::remove(dir.file("notify.txt"));
    }
    p.send_signal(SIGTERM);
    EXPECT_EQ(p.wait_exit(), 0);
    // Nothing answered twice: one answer per request, and no notify file after the last one.
    EXPECT_EQ(mode_test::count(p.output(), kHeading), kRequests);
    EXPECT_FALSE(exists(dir.file("notify.txt")));
}

TEST(corn_location_service, no_capture_device_ends_the_process_with_status_255) {
    if (exists("/dev/video0")) GTEST_SKIP() << "a camera is attached";
    TempDir dir;
    ChildProcess p(CONE_LOCATOR_BIN,
                   {"--headless", "--camera", "v4l2", "--encoding", "utf-8", "--work-dir", dir.path()});
    ASSERT_TRUE(p.wait_for_output(kMenuEnd));
    p.send("4\n");
    EXPECT_EQ(p.wait_exit(), 255);
    EXPECT_EQ(p.error_output().rfind("[Error] Capture device not found!!\n", 0), 0u) << p.error_output();
    // One hint line follows: the simulated rig, and the permissions on the camera nodes.
    EXPECT_EQ(p.error_output().rfind("[Error] Capture device not found!!\nhint: --camera sim ", 0), 0u);
    EXPECT_EQ(mode_test::count(p.error_output(), "\n"), 2) << p.error_output();
    EXPECT_NE(p.error_output().find("group video"), std::string::npos);
    EXPECT_EQ(p.output().find(kHints), std::string::npos);
}

TEST(serve_command, no_capture_device_ends_with_status_255_after_the_same_line) {
    if (exists("/dev/video0")) GTEST_SKIP() << "a camera is attached";
    TempDir dir;
    ChildProcess p(CONE_LOCATOR_BIN, {"serve", "--headless", "--camera", "v4l2", "--encoding", "utf-8",
                                      "--work-dir", dir.path()});
    EXPECT_EQ(p.wait_exit(), 255);
    EXPECT_EQ(p.error_output().rfind("[Error] Capture device not found!!\nhint: --camera sim ", 0), 0u)
        << p.error_output();
}

TEST(serve_command, serves_with_input_ended_and_ends_on_sigterm_or_sigint_through_the_tear_down) {
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig == SIGTERM ? "SIGTERM" : "SIGINT");
        TempDir dir;
        const sim::Scene scene = three_cones();
        std::vector<std::string> a = service_args(dir, scene);
        a.push_back("serve");
        ChildProcess p(CONE_LOCATOR_BIN, a);
        ASSERT_TRUE(p.wait_for_output(kHints));
        p.close_stdin();  // as under a service manager: no keys will ever come
        write_request(dir.path());
        ASSERT_TRUE(test_support::wait_for_file(dir.file("notify.txt")));
        EXPECT_FALSE(exists(dir.file("req_file.dat")));
        p.send_signal(sig);
        EXPECT_EQ(p.wait_exit(), 0);
        const std::string out = p.output();
        const size_t device0 = out.find("SETUP: Device 0 disconnected and freed\n");
        EXPECT_NE(device0, std::string::npos) << out;
        EXPECT_NE(out.find("SETUP: Device 1 disconnected and freed\n", device0), std::string::npos) << out;
        EXPECT_EQ(out.find(kMenuEnd), std::string::npos) << "serve shows no menu";
    }
}

TEST(serve_command, words_after_serve_are_refused) {
    TempDir dir;
    ChildProcess p(CONE_LOCATOR_BIN, mode_test::args(dir, {"serve", "now"}));
    EXPECT_EQ(p.wait_exit(), 2);
    EXPECT_NE(p.error_output().find("unexpected argument 'now'"), std::string::npos);
}

}  // namespace
