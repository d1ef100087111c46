#pragma once
// The real device layer: the kernel's V4L2 calls and sysfs.

#include "capture/v4l2/v4l2_ops.h"

namespace capture {

class SystemV4l2Ops final : public V4l2Ops {
public:
    // From /sys/class/video4linux; without sysfs, the /dev/video<N> nodes alone.
    std::vector<V4l2NodeInfo> video_nodes() override;
    std::string resolve(const std::string& path) override;
    int open(const std::string& path) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    int mmap(int fd, size_t length, int64_t offset, void** address) override;
    int munmap(void* address, size_t length) override;
    int poll(int fd, int timeout_ms) override;
};

}  // namespace capture
