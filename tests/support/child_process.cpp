#include "tests/support/child_process.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace test_support {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& extra_env)
    : ChildProcess(program, args, ChildOptions{extra_env}) {}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const ChildOptions& options) {
    const std::vector<std::string>& extra_env = options.extra_env;
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    // An extra entry replaces the inherited one of the same name.
    auto name_of = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto& x : extra_env) replaced = replaced || name_of(x) == name_of(entry);
        if (!replaced) env.push_back(entry);
    }
    for (const auto& e : extra_env) env.push_back(e);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        if (options.file_size_limit >= 0) {
            signal(SIGXFSZ, SIG_IGN);  // kept across exec
            const rlimit limit{static_cast<rlim_t>(options.file_size_limit),
                               static_cast<rlim_t>(options.file_size_limit)};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        }
        if (options.gid >= 0 && (setgroups(0, nullptr) != 0 || setgid(static_cast<gid_t>(options.gid)) != 0))
            _exit(126);
        if (options.uid >= 0 && setuid(static_cast<uid_t>(options.uid)) != 0) _exit(126);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    stdin_fd_ = in[1];
    signal(SIGPIPE, SIG_IGN);
    out_thread_ = std::thread(&ChildProcess::reader, this, out[0], &out_);
    err_thread_ = std::thread(&ChildProcess::reader, this, err[0], &err_);
}

ChildProcess::~ChildProcess() {
    close_stdin();
    if (!status_) {
        if (!wait_exit(5s)) {
            // wait_exit killed it already.
        }
    }
    if (out_thread_.joinable()) out_thread_.join();
    if (err_thread_.joinable()) err_thread_.join();
}

void ChildProcess::reader(int fd, std::string* sink) {
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        std::lock_guard lock(mutex_);
        sink->append(buffer, static_cast<size_t>(n));
        changed_.notify_all();
    }
    close(fd);
}

void ChildProcess::send(const std::string& text) {
    if (stdin_fd_ < 0) return;
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(stdin_fd_, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

void ChildProcess::send_signal(int sig) {
    // Not after the exit has been collected: the process id may belong to another process then.
    if (!status_ && pid_ > 0) kill(pid_, sig);
}

void ChildProcess::close_stdin() {
    if (stdin_fd_ >= 0) close(stdin_fd_);
    stdin_fd_ = -1;
}

std::optional<size_t> ChildProcess::wait_for_output(const std::string& text, size_t from,
                                                    std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    std::optional<size_t> found;
    changed_.wait_for(lock, timeout, [&] {
        if (from > out_.size()) return false;
        size_t at = out_.find(text, from);
        if (at == std::string::npos) return false;
        found = at + text.size();
        return true;
    });
    return found;
}

std::optional<int> ChildProcess::wait_exit(std::chrono::milliseconds timeout) {
    if (status_) return status_;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            if (out_thread_.joinable()) out_thread_.join();
            if (err_thread_.joinable()) err_thread_.join();
            return status_;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            status_ = -1;
            return std::nullopt;
        }
        std::this_thread::sleep_for(5ms);
    }
}

std::string ChildProcess::output() const {
    std::lock_guard lock(mutex_);
    return out_;
}

std::string ChildProcess::error_output() const {
    std::lock_guard lock(mutex_);
    return err_;
}

bool wait_for_file(const std::string& path, std::chrono::milliseconds timeout) {
    return wait_until([&] { return std::filesystem::exists(path); }, timeout);
}

bool wait_for_no_file(const std::string& path, std::chrono::milliseconds timeout) {
    return wait_until([&] { return !std::filesystem::exists(path); }, timeout);
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "cone-locator-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

bool unprivileged_user(int& uid, int& gid) {
    if (geteuid() != 0) return false;
    const passwd* pw = getpwnam("nobody");
    if (!pw || pw->pw_uid == 0) return false;
    uid = static_cast<int>(pw->pw_uid);
    gid = static_cast<int>(pw->pw_gid);
    return true;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void write_file(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

}  // namespace test_support
