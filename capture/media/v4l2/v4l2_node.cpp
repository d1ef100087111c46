#include "capture/media/v4l2/v4l2_node.h"

#include <cerrno>

namespace media::v4l2 {

V4l2Node::V4l2Node(std::shared_ptr<V4l2Ops> ops, std::string path)
    : ops_(std::move(ops)), path_(std::move(path)) {
    int fd = ops_->open(path_);
    if (fd >= 0) {
        fd_ = fd;
    } else {
        error_ = -fd;
    }
}

V4l2Node::~V4l2Node() {
    if (fd_ >= 0) ops_->close(fd_);
}

int V4l2Node::xioctl(unsigned long request, void* arg) {
    if (fd_ < 0) return -EBADF;
    // A bounded number of retries: a layer that keeps reporting EINTR must not hang the caller.
    int r = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        r = ops_->ioctl(fd_, request, arg);
        if (r != -EINTR) break;
    }
    return r;
}

}  // namespace media::v4l2
