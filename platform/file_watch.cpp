#include "platform/file_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

FileWatch::FileWatch(const std::string& dir, std::string name) : name_(std::move(name)) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        error_ = std::strerror(errno);
        return;
    }
    // Closed after writing, or renamed in: the file is complete then. A file only created is
    // still being written, and the poll finds it when it is.
    if (::inotify_add_watch(fd_, dir.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR) < 0) {
        error_ = std::strerror(errno);
        ::close(fd_);
        fd_ = -1;
    }
}

FileWatch::~FileWatch() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileWatch::take() {
    if (!active()) return false;
    bool came = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_Q_OVERFLOW) came = true;
            if (event->mask & IN_IGNORED) {
                lost_ = true;  // the directory was removed or its file system unmounted
                came = true;
            }
            if (event->len > 0 && name_ == event->name) came = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return came;
}

}  // namespace platform
