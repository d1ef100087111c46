#pragma once
// Which request files the stereo service answers. Only a regular file is a request: a directory,
// FIFO, socket, device or link of that name is named once and left alone (it is never opened, so
// it can't block the loop). A request whose file can't be deleted is answered once and not again
// until it is gone or written anew, instead of eight times a second.

#include <sys/types.h>

#include <string>

namespace app {

class RequestGate {
public:
    explicit RequestGate(std::string path) : path_(std::move(path)) {}

    // Looks at the request path without following a link. True when a request waits for its
    // answer.
    bool request_waiting();
    // After the answer of the request last seen: whether its file was deleted.
    void answered(bool deleted);

private:
    // A directory entry as far as it tells one file from another: a file put in the place of a
    // deleted one may get its inode number again, but not its modification time (which a change
    // of permissions or attributes leaves alone).
    struct Entry {
        bool valid = false;
        dev_t dev = 0;
        ino_t ino = 0;
        mode_t type = 0;
        long long mtime_ns = 0;
        bool operator==(const Entry&) const = default;
    };
    std::string path_;
    Entry seen_;   // what the last look found
    Entry named_;  // the entry that is no request, named already
    Entry stuck_;  // the answered request that could not be deleted
};

}  // namespace app
