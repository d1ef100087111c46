#include "platform/dir_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/input_file.h"

namespace platform {
namespace {

constexpr size_t kLockFileLimit = 4096;

// The holder's process id as written in the file, or empty.
std::string read_holder_id(const std::string& path) {
    std::string text;
    InputError error;
    if (!read_input_file(path, kLockFileLimit, text, error)) return {};
    std::string digits;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        digits += c;
    }
    return digits;
}

}  // namespace

DirLock::~DirLock() { release(); }

DirLock::Result DirLock::take(const std::string& lock_path) {
    release();
    holder_.clear();
    reason_.clear();
    // Never O_TRUNC: the file may be another holder's, whose id must stay readable.
    int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (fd < 0 && (errno == EACCES || errno == EROFS)) {
        // Read-only: an existing lock file can still be locked, only the id is not written.
        fd = ::open(lock_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    }
    if (fd < 0) {
        reason_ = std::strerror(errno);
        return Result::unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int lock_errno = errno;
        ::close(fd);
        if (lock_errno == EWOULDBLOCK) {
            holder_ = read_holder_id(lock_path);
            return Result::held_elsewhere;
        }
        reason_ = std::strerror(lock_errno);
        return Result::unavailable;
    }
    fd_ = fd;
    const std::string id = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd_, 0) == 0) {
        [[maybe_unused]] const ssize_t n = ::pwrite(fd_, id.data(), id.size(), 0);
    }
    return Result::taken;
}

void DirLock::release() {
    if (fd_ < 0) return;
    // The file stays: removing it would let a third holder lock a new file while a second one
    // still waits on the old.
    if (::ftruncate(fd_, 0) != 0) {
        // Only the id stays behind; the lock itself ends with the close.
    }
    ::close(fd_);
    fd_ = -1;
}

}  // namespace platform
