// Files handled as files: inputs are read only when they are regular files, never by blocking on a
// FIFO or reading a device forever; outputs reach their place whole or not at all.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <thread>

#include "platform/dir_lock.h"
#include "platform/file_watch.h"
#include "platform/input.h"
#include "platform/input_file.h"
#include "platform/output_file.h"
#include "platform/picture_file.h"
#include "platform/stop_flag.h"
#include "tests/support/child_process.h"

namespace {

using platform::InputError;
using platform::InputProblem;
using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

// The names in the directory, hidden ones (temporary files) included.
std::vector<std::string> names_in(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// A socket bound at path (closed with the object; the entry stays).
class BoundSocket {
public:
    explicit BoundSocket(const std::string& path) : fd_(socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        EXPECT_EQ(bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    }
    ~BoundSocket() { close(fd_); }

private:
    int fd_;
};

// While it lives, this process may write no file larger than `bytes`: a write beyond fails with
// EFBIG, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, saved_.rlim_max};
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_handler_);
    }

private:
    rlimit saved_{};
    void (*previous_handler_)(int) = nullptr;
};

TEST(read_input_file, reads_a_regular_file_whole_within_its_limit) {
    TempDir dir;
    const std::string content = std::string("a,b\r\n") + std::string(3 << 20, 'x') + std::string("\0end", 4);
    write_file(dir.file("f"), content);
    std::string bytes = "earlier";
    InputError error;
    ASSERT_TRUE(platform::read_input_file(dir.file("f"), content.size(), bytes, error)) << error.reason;
    EXPECT_EQ(bytes, content);
    EXPECT_EQ(error.problem, InputProblem::none);

    EXPECT_FALSE(platform::read_input_file(dir.file("f"), content.size() - 1, bytes, error));
    EXPECT_EQ(error.problem, InputProblem::too_large);
    EXPECT_EQ(bytes, "");

    write_file(dir.file("empty"), "");
    ASSERT_TRUE(platform::read_input_file(dir.file("empty"), 10, bytes, error));
    EXPECT_EQ(bytes, "");
}

TEST(read_input_file, what_is_not_a_regular_file_is_refused_at_once_with_its_kind) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", dir.file("zero"));
    std::filesystem::create_directory(dir.file("dir"));
    BoundSocket socket(dir.file("socket"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"fifo", "not a regular file (a FIFO)"},
        {"zero", "not a regular file (a character device)"},
        {"dir", "not a regular file (a directory)"},
        {"socket", "not a regular file (a socket)"},
    };
    for (const auto& [name, reason] : cases) {
        std::string bytes;
        InputError error;
        EXPECT_FALSE(platform::read_input_file(dir.file(name), 1 << 20, bytes, error)) << name;
        EXPECT_EQ(error.problem, InputProblem::not_regular) << name;
        EXPECT_EQ(platform::input_problem_text(dir.file(name), error), dir.file(name) + ": " + reason);
    }
    std::string bytes;
    InputError error;
    for (const std::string& missing : {dir.file("none"), dir.file("none/deeper"), dir.file("fifo/x")}) {
        EXPECT_FALSE(platform::read_input_file(missing, 10, bytes, error));
        EXPECT_EQ(error.problem, InputProblem::missing) << missing;
        EXPECT_EQ(error.reason, "no such file");
    }
    EXPECT_EQ(platform::entry_kind(dir.file("fifo")), "a FIFO");
    EXPECT_EQ(platform::entry_kind(dir.file("zero")), "a symbolic link");
    EXPECT_EQ(platform::entry_kind(dir.file("none")), "missing");
}

TEST(read_input_file, a_file_that_may_not_be_read_is_named_so) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions don't hold for root (the end-to-end tests cover it)";
    TempDir dir;
    write_file(dir.file("secret"), "x");
    std::filesystem::permissions(dir.file("secret"), std::filesystem::perms::none);
    std::string bytes;
    InputError error;
    EXPECT_FALSE(platform::read_input_file(dir.file("secret"), 10, bytes, error));
    EXPECT_EQ(error.problem, InputProblem::no_permission);
}

TEST(read_input_file, a_requested_stop_ends_the_read) {
    TempDir dir;
    write_file(dir.file("f"), "content");
    platform::request_stop();
    std::string bytes;
    InputError error;
    const bool read = platform::read_input_file(dir.file("f"), 100, bytes, error);
    platform::clear_stop();
    EXPECT_FALSE(read);
    EXPECT_EQ(error.problem, InputProblem::stopped);
    EXPECT_TRUE(platform::read_input_file(dir.file("f"), 100, bytes, error));
}

TEST(write_output_file, replaces_the_file_whole_keeping_its_permissions) {
    TempDir dir;
    const std::string f = dir.file("report.txt");
    std::string reason;
    ASSERT_TRUE(platform::write_output_file(f, "first", reason)) << reason;
    std::filesystem::permissions(f, std::filesystem::perms(0640));
    ASSERT_TRUE(platform::write_output_file(f, "second, longer", reason)) << reason;
    EXPECT_EQ(read_file(f), "second, longer");
    EXPECT_EQ(std::filesystem::status(f).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"report.txt"});

    // Written through an open OutputFile but never committed: the old file stays.
    {
        platform::OutputFile out;
        ASSERT_TRUE(out.open(f, reason));
        out.write("dropped");
    }
    EXPECT_EQ(read_file(f), "second, longer");
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"report.txt"});
}

TEST(write_output_file, a_failed_write_keeps_the_old_file_and_leaves_nothing_behind) {
    TempDir dir;
    const std::string f = dir.file("rk9t_left.bmp");
    write_file(f, "the old picture");
    std::string reason;
    {
        FileSizeLimit limit(4096);
        EXPECT_FALSE(platform::write_output_file(f, std::string(10000, 'p'), reason));
    }
    EXPECT_EQ(reason, "File too large");
    EXPECT_EQ(read_file(f), "the old picture");
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"rk9t_left.bmp"});

    // No old file: none afterwards either, not a cut-short one.
    {
        FileSizeLimit limit(4096);
        EXPECT_FALSE(platform::write_output_file(dir.file("new.bmp"), std::string(10000, 'p'), reason));
    }
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"rk9t_left.bmp"});
}

TEST(write_output_file, links_are_followed_devices_and_pipes_written_in_place) {
    TempDir dir;
    std::string reason;
    // A link to a file: the file gets the new text, the link stays a link.
    write_file(dir.file("target.txt"), "old");
    std::filesystem::create_symlink(dir.file("target.txt"), dir.file("link.txt"));
    ASSERT_TRUE(platform::write_output_file(dir.file("link.txt"), "new", reason)) << reason;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.txt")));
    EXPECT_EQ(read_file(dir.file("target.txt")), "new");

    // A device is written, never replaced by a file of its name.
    std::filesystem::create_symlink("/dev/full", dir.file("full.txt"));
    EXPECT_FALSE(platform::write_output_file(dir.file("full.txt"), "x", reason));
    EXPECT_EQ(reason, "No space left on device");
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
    EXPECT_TRUE(platform::write_output_file("/dev/null", "x", reason)) << reason;
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));

    // A pipe reached through a link only the kernel can follow, as /dev/stdout is.
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    const std::string pipe_path = "/proc/self/fd/" + std::to_string(pipe_fds[1]);
    EXPECT_TRUE(platform::remove_output_file(pipe_path));
    EXPECT_TRUE(platform::write_output_file(pipe_path, "through the pipe", reason)) << reason;
    char received[32] = {};
    EXPECT_EQ(read(pipe_fds[0], received, sizeof received - 1), 16);
    EXPECT_STREQ(received, "through the pipe");
    close(pipe_fds[0]);
    close(pipe_fds[1]);

    // A FIFO that nobody reads is refused at once.
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0644), 0);
    EXPECT_FALSE(platform::write_output_file(dir.file("fifo"), "x", reason));
    EXPECT_EQ(reason, "a FIFO that nobody reads");

    EXPECT_FALSE(platform::write_output_file(dir.path(), "x", reason));
    EXPECT_EQ(reason, "it is a directory");
    EXPECT_FALSE(platform::write_output_file(dir.file("no/dir/x"), "x", reason));
    EXPECT_EQ(reason, "cannot create a file in " + dir.file("no/dir/") + ": No such file or directory");
}

TEST(remove_output_file, removes_files_and_leaves_devices) {
    TempDir dir;
    write_file(dir.file("report.txt"), "old");
    EXPECT_TRUE(platform::remove_output_file(dir.file("report.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("report.txt")));
    EXPECT_TRUE(platform::remove_output_file(dir.file("report.txt")));  // nothing to remove
    EXPECT_TRUE(platform::remove_output_file("/dev/null"));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

TEST(picture_file, written_as_the_library_writes_and_read_back) {
    TempDir dir;
    cv::Mat picture(240, 320, CV_8UC3, cv::Scalar(10, 20, 30));
    picture(cv::Rect(50, 60, 70, 80)).setTo(cv::Scalar(200, 100, 0));
    std::string reason;
    ASSERT_TRUE(platform::write_picture(dir.file("ours.bmp"), picture, reason)) << reason;
    ASSERT_TRUE(cv::imwrite(dir.file("library.bmp"), picture));
    EXPECT_EQ(read_file(dir.file("ours.bmp")), read_file(dir.file("library.bmp")));

    cv::Mat back;
    InputError error;
    ASSERT_TRUE(platform::read_picture(dir.file("ours.bmp"), back, error)) << error.reason;
    EXPECT_EQ(cv::norm(back, picture, cv::NORM_INF), 0);

    EXPECT_FALSE(platform::write_picture(dir.file("no_form"), picture, reason));
    EXPECT_FALSE(platform::write_picture(dir.file("odd.form"), picture, reason));
    EXPECT_FALSE(std::filesystem::exists(dir.file("odd.form")));
}

TEST(picture_file, what_is_no_picture_says_so) {
    TempDir dir;
    cv::Mat picture(240, 320, CV_8UC3, cv::Scalar(1, 2, 3));
    ASSERT_TRUE(cv::imwrite(dir.file("p.bmp"), picture));
    const std::string bytes = read_file(dir.file("p.bmp"));
    write_file(dir.file("cut.bmp"), bytes.substr(0, bytes.size() / 2));
    write_file(dir.file("text.bmp"), "not a picture\n");
    write_file(dir.file("empty.bmp"), "");
    ASSERT_EQ(mkfifo(dir.file("fifo.bmp").c_str(), 0644), 0);
    for (const char* name : {"cut.bmp", "text.bmp", "empty.bmp"}) {
        cv::Mat read;
        InputError error;
        EXPECT_FALSE(platform::read_picture(dir.file(name), read, error)) << name;
        EXPECT_EQ(error.problem, InputProblem::not_a_picture) << name;
        EXPECT_EQ(error.reason.rfind("not a picture that can be read", 0), 0u) << error.reason;
    }
    cv::Mat read;
    InputError error;
    EXPECT_FALSE(platform::read_picture(dir.file("fifo.bmp"), read, error));
    EXPECT_EQ(error.problem, InputProblem::not_regular);
}

TEST(file_watch, wakes_for_its_file_put_in_place_and_for_nothing_else) {
    TempDir dir;
    platform::FileWatch watch(dir.path(), "req_file.dat");
    ASSERT_TRUE(watch.active()) << watch.error();
    EXPECT_FALSE(watch.take());
    write_file(dir.file("report.txt"), "other files");
    write_file(dir.file(".req_file.dat.1.tmp"), "a request being written");
    EXPECT_FALSE(watch.take());
    std::filesystem::rename(dir.file(".req_file.dat.1.tmp"), dir.file("req_file.dat"));
    EXPECT_TRUE(watch.take());
    EXPECT_FALSE(watch.take()) << "taken once";
    std::filesystem::remove(dir.file("req_file.dat"));
    write_file(dir.file("req_file.dat"), "written in place");  // closed after writing
    EXPECT_TRUE(watch.take());

    platform::FileWatch nowhere(dir.file("missing/"), "req_file.dat");
    EXPECT_FALSE(nowhere.active());
    EXPECT_FALSE(nowhere.error().empty());
    EXPECT_EQ(nowhere.fd(), -1);
}

TEST(file_watch, the_key_wait_ends_when_the_file_comes) {
    TempDir dir;
    platform::FileWatch watch(dir.path(), "req_file.dat");
    ASSERT_TRUE(watch.active()) << watch.error();
    std::thread controller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        write_file(dir.file("req_file.tmp"), "");
        std::filesystem::rename(dir.file("req_file.tmp"), dir.file("req_file.dat"));
    });
    // Far longer than the file takes to come: a wait that ran its full length did not wake.
    const auto wait = std::chrono::seconds(60);
    const auto t0 = std::chrono::steady_clock::now();
    const int key = platform::read_key(static_cast<int>(std::chrono::milliseconds(wait).count()), &watch);
    const auto waited = std::chrono::steady_clock::now() - t0;
    controller.join();
    EXPECT_LT(waited, wait / 2);
    if (key != -1) ADD_FAILURE() << "a key came from standard input: " << key;
}

TEST(dir_lock, one_holder_at_a_time_and_the_others_learn_who) {
    TempDir dir;
    const std::string path = dir.file("service.lock");
    auto first = std::make_unique<platform::DirLock>();
    ASSERT_EQ(first->take(path), platform::DirLock::Result::taken) << first->reason();
    platform::DirLock second;
    EXPECT_EQ(second.take(path), platform::DirLock::Result::held_elsewhere);
    EXPECT_EQ(second.holder_id(), std::to_string(getpid()));
    first.reset();  // released: the file stays, the next one takes it
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(second.take(path), platform::DirLock::Result::taken);

    platform::DirLock nowhere;
    EXPECT_EQ(nowhere.take(dir.file("missing/service.lock")), platform::DirLock::Result::unavailable);
    EXPECT_FALSE(nowhere.reason().empty());
}

}  // namespace
