#include "capture/v4l2/v4l2_node.h"

#include <cerrno>
#include <utility>

namespace capture {

V4l2Node::V4l2Node(std::shared_ptr<V4l2Ops> ops, std::string path)
    : ops_(std::move(ops)), path_(std::move(path)) {
    const int fd = ops_->open(path_);
    if (fd >= 0) {
        fd_ = fd;
    } else {
        error_ = -fd;
    }
}

V4l2Node::V4l2Node(V4l2Node&& other) noexcept
    : ops_(std::move(other.ops_)),
      path_(std::move(other.path_)),
      fd_(std::exchange(other.fd_, -1)),
      error_(other.error_) {}

V4l2Node::~V4l2Node() {
    if (fd_ >= 0) ops_->close(fd_);
}

int V4l2Node::xioctl(unsigned long request, void* arg) const {
    if (fd_ < 0) return -EBADF;
    // A bounded number of retries: a layer that keeps reporting EINTR must not hang the caller.
    int r = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        r = ops_->ioctl(fd_, request, arg);
        if (r != -EINTR) break;
    }
    return r;
}

}  // namespace capture
