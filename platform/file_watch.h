#pragma once
// Tells at once when a file of one name is put into a directory (written and closed there, or
// renamed into it), so a loop waiting for it can wake instead of polling. Linux: inotify.

#include <string>

namespace platform {

class FileWatch {
public:
    // Starts watching; when that fails (no inotify, too many watches) the watch is inactive and
    // error() says why: callers then poll.
    FileWatch(const std::string& dir, std::string name);
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    bool active() const { return fd_ >= 0 && !lost_; }
    const std::string& error() const { return error_; }
    // Readable while events are pending; -1 when not active.
    int fd() const { return active() ? fd_ : -1; }
    // Takes the pending events without waiting. True when the file came since the last call, or
    // when events were lost or the watch ended (the directory went away): look then.
    bool take();

private:
    int fd_ = -1;
    bool lost_ = false;
    std::string name_;
    std::string error_;
};

}  // namespace platform
