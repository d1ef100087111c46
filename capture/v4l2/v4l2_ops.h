#pragma once
// Every system call the V4L2 back end makes, behind one interface, so that tests can put a
// scripted device layer in place of the kernel. Thin wrappers: they return an error code and
// leave the message to the caller, who knows what was being attempted.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace capture {

// A video device node as sysfs describes it, without opening it.
struct V4l2NodeInfo {
    std::string path;    // "/dev/video0"
    std::string name;    // the driver's name for it (usually the card name)
    int index = 0;       // its place among its device's nodes (UVC metadata nodes come after 0)
    std::string device;  // the device it belongs to, sysfs path resolved; empty when unknown
};

class V4l2Ops {
public:
    virtual ~V4l2Ops() = default;

    // The video device nodes present now, in any order.
    virtual std::vector<V4l2NodeInfo> video_nodes() = 0;
    // The path with every link resolved; empty when it leads nowhere.
    virtual std::string resolve(const std::string& path) = 0;
    // A descriptor (>= 0) opened for reading and writing, non-blocking; or -errno.
    virtual int open(const std::string& path) = 0;
    // 0 or -errno.
    virtual int close(int fd) = 0;
    // One ioctl as it is: 0 or -errno (EINTR included; callers retry).
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    // Maps `length` bytes of a driver buffer at `offset` into *address; 0 or -errno.
    virtual int mmap(int fd, size_t length, int64_t offset, void** address) = 0;
    virtual int munmap(void* address, size_t length) = 0;
    // Waits at most timeout_ms for the descriptor: the returned poll events (> 0), 0 on timeout,
    // or -errno.
    virtual int poll(int fd, int timeout_ms) = 0;
};

}  // namespace capture
