#pragma once
// One opened video device node: a move-only handle that closes its descriptor when it goes.

#include <memory>
#include <string>

#include "capture/v4l2/v4l2_ops.h"

namespace capture {

class V4l2Node {
public:
    // Opens path; is_open() and error() tell how that went.
    V4l2Node(std::shared_ptr<V4l2Ops> ops, std::string path);
    ~V4l2Node();
    V4l2Node(V4l2Node&& other) noexcept;
    V4l2Node& operator=(V4l2Node&&) = delete;
    V4l2Node(const V4l2Node&) = delete;
    V4l2Node& operator=(const V4l2Node&) = delete;

    bool is_open() const { return fd_ >= 0; }
    // The errno of a failed open, else 0.
    int error() const { return error_; }
    // An ioctl, repeated while a signal interrupts it: 0 or -errno.
    int xioctl(unsigned long request, void* arg) const;

    V4l2Ops& ops() const { return *ops_; }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

private:
    std::shared_ptr<V4l2Ops> ops_;
    std::string path_;
    int fd_ = -1;
    int error_ = 0;
};

}  // namespace capture
