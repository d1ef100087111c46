#pragma once
// The real device layer: libv4l2's calls, which also convert the camera's own pixel formats
// (YUYV, MJPEG ...) to the BGR24 the capture graph asks for.

#include "capture/media/v4l2/v4l2_ops.h"

namespace media::v4l2 {

class LibV4l2Ops final : public V4l2Ops {
public:
    // Lists /dev/video<N> nodes.
    std::vector<std::string> device_nodes() override;
    int open(const std::string& path) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    int mmap(int fd, size_t length, int64_t offset, void** address) override;
    int munmap(void* address, size_t length) override;
    int poll(int fd, int timeout_ms) override;
};

}  // namespace media::v4l2
