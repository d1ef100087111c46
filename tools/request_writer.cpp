#include "tools/request_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/file_ops.h"

namespace tools {
namespace {

bool write_all(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Creates a fresh temporary file in `dir` whose name the tool never takes for a request.
int create_temporary(const std::string& dir, const std::string& base, std::string& path) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = dir + "." + base + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
        // 0666 under the umask, as the tool's own files: a service run by another user can read it.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Renames without replacing an existing target. False with errno EEXIST when the target exists.
bool rename_no_replace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
#endif
    // File systems without the flag: a hard link fails on an existing target just as well.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST) return false;
    // Neither: check, then rename (a request written in between by another controller is lost).
    if (platform::file_exists(to)) {
        errno = EEXIST;
        return false;
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

WriteRequestResult write_request_file(const std::string& request_path, std::string_view content,
                                      std::string& error,
                                      const std::function<void(const std::string&)>& before_publish) {
    std::string temp;
    const int fd =
        create_temporary(platform::directory_of(request_path), platform::file_name_of(request_path), temp);
    if (fd < 0) {
        error = "cannot create a temporary file in " + platform::directory_of(request_path) + ": " +
                std::strerror(errno);
        return WriteRequestResult::failed;
    }
    const bool written = write_all(fd, content);
    const int write_errno = errno;
    if (::close(fd) != 0 || !written) {
        error = "cannot write " + temp + ": " + std::strerror(written ? errno : write_errno);
        ::unlink(temp.c_str());
        return WriteRequestResult::failed;
    }
    if (before_publish) before_publish(temp);
    if (!rename_no_replace(temp, request_path)) {
        const int rename_errno = errno;
        ::unlink(temp.c_str());
        if (rename_errno == EEXIST) return WriteRequestResult::pending;
        error = "cannot rename " + temp + " to " + request_path + ": " + std::strerror(rename_errno);
        return WriteRequestResult::failed;
    }
    return WriteRequestResult::written;
}

}  // namespace tools
