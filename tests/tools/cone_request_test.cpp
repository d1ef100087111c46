// cone-request against a fake tool on a thread of the test that plays the other side of the
// request/notify hand-shake in the work directory.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_ops.h"
#include "platform/text_encoding.h"
#include "tests/support/child_process.h"

namespace {

using test_support::ChildProcess;
using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

const std::string kExampleReport = platform::utf8_to_cp932(
    "左イメージcog x_y,  150,  100\n"
    "右イメージcog x_y,  190,   92\n"
    "対象の位置情報　　x_y_z, 1251.5, -27.6, 84.8\n"
    "対象のサイズ情報　H_W, 169.7, 84.8\n"
    "左イメージcog x_y,   12,  230\n"
    "右イメージcog x_y,   29,  222\n"
    "対象の位置情報　　x_y_z, 4130.0, 1958.3, -1539.6\n"
    "対象のサイズ情報　H_W, 447.9, 224.0\n");

// The tool's side on a thread: waits for the request, keeps its text, then answers. The stereo
// service writes the report, deletes the request and creates the notify file; the picture-only
// modes write no report and create the notify file before deleting the request.
class FakeTool {
public:
    // test_run: the service's key t, which writes its report into the notify file and leaves the
    // request alone.
    enum class Mode { stereo_service, picture_only, test_run };

    FakeTool(const TempDir& dir, std::optional<std::string> report, Mode mode = Mode::stereo_service)
        : thread_([this, &dir, report, mode] {
              const std::string request = dir.file("req_file.dat");
              if (!test_support::wait_for_file(request)) return;
              request_text_ = read_file(request);
              if (mode == Mode::test_run) {
                  write_file(dir.file("notify.txt"), report.value_or(""));
                  return;
              }
              if (report) write_file(dir.file("report.txt"), *report);
              if (mode == Mode::stereo_service) platform::remove_file(request);
              platform::create_empty_file(dir.file("notify.txt"));
              if (mode == Mode::picture_only) platform::remove_file(request);
          }) {}
    ~FakeTool() { join(); }
    FakeTool(const FakeTool&) = delete;
    FakeTool& operator=(const FakeTool&) = delete;

    // The request as the tool found it.
    const std::string& request_text() {
        join();
        return request_text_;
    }

private:
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    std::string request_text_;
    std::thread thread_;
};

struct ClientRun {
    int status = -1;
    std::string out, err;
};

ClientRun cone_request(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
    args.insert(args.begin(), {"--encoding", "utf-8"});
    ChildProcess client(CONE_REQUEST_BIN, args, env);
    const auto status = client.wait_exit();
    return {status.value_or(-1), client.output(), client.error_output()};
}

class ConeRequest : public ::testing::Test {
protected:
    std::vector<std::string> in_dir(std::vector<std::string> args) {
        args.insert(args.begin(), {"--work-dir", dir.path()});
        return args;
    }
    bool exists(const char* name) { return platform::file_exists(dir.file(name)); }

    TempDir dir;
};

TEST_F(ConeRequest, answered_request_is_printed_as_a_table_and_the_notify_file_removed) {
    FakeTool tool(dir, kExampleReport);
    const ClientRun run = cone_request(in_dir({"--max-pixnum", "2000", "--color-th", "0.25"}));
    EXPECT_EQ(tool.request_text(), "max_pixnum,2000\ncolor_th,0.25\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(
        run.out.find("  1  150, 100    190, 92        1251.5      -27.6       84.8      169.7       84.8\n"),
        std::string::npos)
        << run.out;
    EXPECT_NE(
        run.out.find("  2  12, 230     29, 222        4130.0     1958.3    -1539.6      447.9      224.0\n"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("2 cones"), std::string::npos);
    EXPECT_FALSE(exists("notify.txt"));
    EXPECT_FALSE(exists("req_file.dat"));
    EXPECT_TRUE(exists("report.txt"));
}

TEST_F(ConeRequest, json_lines_and_the_work_dir_from_the_environment) {
    FakeTool tool(dir, kExampleReport);
    const ClientRun run = cone_request({"--json", "--timeout", "60"}, {"RIVIVOVI_WORK_DIR=" + dir.path()});
    EXPECT_EQ(tool.request_text(), "");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        run.out,
        "{\"left_cog\":[150,100],\"right_cog\":[190,92],\"x\":1251.5,\"y\":-27.6,\"z\":84.8,\"H\":169.7,"
        "\"W\":84.8}\n"
        "{\"left_cog\":[12,230],\"right_cog\":[29,222],\"x\":4130,\"y\":1958.3,\"z\":-1539.6,\"H\":447.9,"
        "\"W\":224}\n");
    EXPECT_FALSE(exists("notify.txt"));
}

TEST_F(ConeRequest, empty_report_means_no_cones) {
    FakeTool tool(dir, std::string());
    const ClientRun run = cone_request(in_dir({"--min-pixnum", "20"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("0 cones"), std::string::npos) << run.out;
    const ClientRun json = [&] {
        FakeTool again(dir, std::string());
        return cone_request(in_dir({"--json"}));
    }();
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out, "");
}

TEST_F(ConeRequest, no_answer_in_time_leaves_the_request_and_says_so) {
    const ClientRun run = cone_request(in_dir({"--timeout", "0.2", "--max-pixnum", "300"}));
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("no answer within 0.2 s"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(dir.file("req_file.dat")), std::string::npos) << run.err;
    EXPECT_EQ(read_file(dir.file("req_file.dat")), "max_pixnum,300\n");
    EXPECT_EQ(run.out, "");
}

TEST_F(ConeRequest, a_test_runs_notify_file_is_not_taken_for_the_answer) {
    FakeTool tool(dir, kExampleReport, FakeTool::Mode::test_run);
    const ClientRun run = cone_request(in_dir({"--timeout", "2"}));
    EXPECT_EQ(tool.request_text(), "");
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(exists("req_file.dat"));
    EXPECT_TRUE(exists("notify.txt"));
}

TEST_F(ConeRequest, a_pending_request_or_an_uncollected_notify_file_stops_it) {
    write_file(dir.file("req_file.dat"), "min_pixnum,5\n");
    ClientRun run = cone_request(in_dir({"--min-pixnum", "99", "--force"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("already waiting"), std::string::npos) << run.err;
    EXPECT_EQ(read_file(dir.file("req_file.dat")), "min_pixnum,5\n");
    platform::remove_file(dir.file("req_file.dat"));

    platform::create_empty_file(dir.file("notify.txt"));
    run = cone_request(in_dir({"--min-pixnum", "99"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("--force"), std::string::npos) << run.err;
    EXPECT_FALSE(exists("req_file.dat"));
    EXPECT_TRUE(exists("notify.txt"));

    // --force clears the stale notify file first, so the answer is not mistaken for it.
    FakeTool tool(dir, kExampleReport);
    run = cone_request(in_dir({"--min-pixnum", "99", "--force"}));
    EXPECT_EQ(tool.request_text(), "min_pixnum,99\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(exists("notify.txt"));
}

TEST_F(ConeRequest, an_unreadable_report_is_an_error_not_a_crash) {
    {
        FakeTool tool(dir, platform::utf8_to_cp932("左イメージcog x_y,  150\nrubbish\n"));
        const ClientRun run = cone_request(in_dir({}));
        EXPECT_EQ(run.status, 4);
        EXPECT_NE(run.err.find("damaged: line 1"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(exists("notify.txt"));
        EXPECT_TRUE(exists("report.txt"));  // kept for a look
    }
    {
        FakeTool tool(dir, std::string(2 << 20, 'x'));
        const ClientRun run = cone_request(in_dir({}));
        EXPECT_EQ(run.status, 4);
        EXPECT_NE(run.err.find("too large"), std::string::npos) << run.err;
    }
}

TEST_F(ConeRequest, an_answer_without_report_never_shows_an_earlier_report) {
    // A report of an earlier request lies in the directory; the answer comes from a mode that
    // answers with a picture only (notify file first, then the request deleted).
    write_file(dir.file("report.txt"), kExampleReport);
    FakeTool tool(dir, std::nullopt, FakeTool::Mode::picture_only);
    const ClientRun run = cone_request(in_dir({}));
    EXPECT_EQ(run.status, 4);
    EXPECT_NE(run.err.find("without a report"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("1251.5"), std::string::npos);
    EXPECT_FALSE(exists("notify.txt"));
}

TEST_F(ConeRequest, bad_arguments_and_a_missing_work_dir) {
    ClientRun run = cone_request(in_dir({"--color-th", "abc"}));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("color_th"), std::string::npos) << run.err;
    EXPECT_FALSE(exists("req_file.dat"));

    run = cone_request({"--work-dir", dir.file("nowhere")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("does not exist"), std::string::npos) << run.err;
    EXPECT_FALSE(exists("nowhere"));

    run = cone_request({"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("--max-pixnum"), std::string::npos);
}

}  // namespace
