#pragma once
// End-to-end test support: runs a program of the project with pipes on its standard streams and
// waits for conditions (a line printed, a file present, the exit) with generous time limits.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

using namespace std::chrono_literals;
inline constexpr std::chrono::milliseconds kLongWait = 60s;

// How a child runs beyond its arguments.
struct ChildOptions {
    std::vector<std::string> extra_env;  // "NAME=value" entries added to the environment
    // Largest file the child may write, in bytes (-1: no limit). SIGXFSZ is ignored in the child,
    // so a write beyond it fails (EFBIG) as a write to a full disk does.
    long long file_size_limit = -1;
    // Runs the child as this user and group (-1: as the test), e.g. to meet permissions as root.
    int uid = -1;
    int gid = -1;
};

class ChildProcess {
public:
    // Starts program with args; extra_env entries ("NAME=value") are added to the environment,
    // in place of inherited ones of the same name.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& extra_env = {});
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const ChildOptions& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void send(const std::string& text);
    void close_stdin();
    // Sends the signal to the child while it runs.
    void send_signal(int sig);

    // Waits until standard output holds `text` at or after byte offset `from`; returns the offset
    // just past it, or nullopt on timeout.
    std::optional<size_t> wait_for_output(const std::string& text, size_t from = 0,
                                          std::chrono::milliseconds timeout = kLongWait);
    // Waits for the exit; the exit status, or nullopt on timeout (the child is then killed).
    std::optional<int> wait_exit(std::chrono::milliseconds timeout = kLongWait);

    std::string output() const;
    std::string error_output() const;

private:
    void reader(int fd, std::string* sink);

    pid_t pid_ = -1;
    int stdin_fd_ = -1;
    std::optional<int> status_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string out_;
    std::string err_;
    std::thread out_thread_;
    std::thread err_thread_;
};

// Polls until the predicate holds or the timeout passes.
template <typename Pred>
bool wait_until(Pred pred, std::chrono::milliseconds timeout = kLongWait) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

bool wait_for_file(const std::string& path, std::chrono::milliseconds timeout = kLongWait);
bool wait_for_no_file(const std::string& path, std::chrono::milliseconds timeout = kLongWait);

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // Ends with '/'.
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// An unprivileged user the tests can run a child as when they run as root (permissions don't
// hold for root); false when the tests run unprivileged already or there is no such user.
bool unprivileged_user(int& uid, int& gid);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& content);

}  // namespace test_support
