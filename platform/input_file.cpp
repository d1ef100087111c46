#include "platform/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/stop_flag.h"

namespace platform {
namespace {

constexpr size_t kPiece = size_t{1} << 20;

const char* type_name(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "not a plain file";
}

bool fail(InputError& error, InputProblem problem, std::string reason) {
    error.problem = problem;
    error.reason = std::move(reason);
    return false;
}

// Closes the descriptor however the read ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool open_failed(const std::string& path, int error_number, InputError& error) {
    switch (error_number) {
        case ENOENT:
        case ENOTDIR:
            return fail(error, InputProblem::missing, "no such file");
        case EACCES:
        case EPERM:
            return fail(error, InputProblem::no_permission, "no permission to read it");
        default:
            break;
    }
    // A socket can't be opened at all (ENXIO): say what it is rather than what open said.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return fail(error, InputProblem::not_regular,
                    std::string("not a regular file (") + type_name(st.st_mode) + ")");
    }
    return fail(error, InputProblem::unreadable,
                std::string("cannot be opened: ") + std::strerror(error_number));
}

}  // namespace

std::string entry_kind(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "missing";
    if (S_ISREG(st.st_mode)) return "";
    return type_name(st.st_mode);
}

bool read_input_file(const std::string& path, size_t max_bytes, std::string& bytes, InputError& error) {
    error = InputError{};
    bytes.clear();
    // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer, and is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return open_failed(path, errno, error);
    Descriptor file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return fail(error, InputProblem::unreadable,
                    std::string("cannot be examined: ") + std::strerror(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        return fail(error, InputProblem::not_regular,
                    std::string("not a regular file (") + type_name(st.st_mode) + ")");
    }
    const auto too_large = [&] {
        return fail(error, InputProblem::too_large,
                    "larger than " + std::to_string(max_bytes) + " bytes, too large for this kind of file");
    };
    if (st.st_size > 0 && static_cast<unsigned long long>(st.st_size) > max_bytes) return too_large();
    // Room for the whole file and one byte more, which tells a file that grew since fstat.
    bytes.resize(static_cast<size_t>(st.st_size > 0 ? st.st_size : 0) + 1);
    size_t at = 0;
    for (;;) {
        if (stop_requested()) {
            bytes.clear();
            return fail(error, InputProblem::stopped, "reading stopped: the tool is ending");
        }
        if (at == bytes.size()) {
            if (at > max_bytes) {
                bytes.clear();
                return too_large();
            }
            bytes.resize(std::min(at + kPiece, max_bytes + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + at, std::min(kPiece, bytes.size() - at));
        if (n < 0) {
            if (errno == EINTR) continue;
            const int read_errno = errno;
            bytes.clear();
            return fail(error, InputProblem::unreadable,
                        std::string("cannot be read: ") + std::strerror(read_errno));
        }
        if (n == 0) {
            bytes.resize(at);
            return true;
        }
        at += static_cast<size_t>(n);
        if (at > max_bytes) {
            bytes.clear();
            return too_large();
        }
    }
}

std::string input_problem_text(const std::string& path, const InputError& error) {
    return path + ": " + error.reason;
}

}  // namespace platform
