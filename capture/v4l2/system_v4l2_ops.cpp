#include "capture/v4l2/system_v4l2_ops.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace capture {
namespace {

namespace fs = std::filesystem;

// The first line of a sysfs attribute; empty when it can't be read.
std::string attribute(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool is_video_name(const std::string& name) {
    return name.size() > 5 && name.rfind("video", 0) == 0 &&
           name.find_first_not_of("0123456789", 5) == std::string::npos;
}

}  // namespace

std::vector<V4l2NodeInfo> SystemV4l2Ops::video_nodes() {
    std::vector<V4l2NodeInfo> nodes;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/sys/class/video4linux", ec)) {
        const std::string name = entry.path().filename().string();
        if (!is_video_name(name)) continue;
        V4l2NodeInfo node;
        node.path = "/dev/" + name;
        node.name = attribute(entry.path() / "name");
        node.index = std::atoi(attribute(entry.path() / "index").c_str());
        std::error_code link_error;
        const fs::path device = fs::canonical(entry.path() / "device", link_error);
        if (!link_error) node.device = device.string();
        nodes.push_back(std::move(node));
    }
    if (!nodes.empty()) return nodes;
    for (const auto& entry : fs::directory_iterator("/dev", ec)) {
        const std::string name = entry.path().filename().string();
        if (is_video_name(name)) nodes.push_back(V4l2NodeInfo{"/dev/" + name, "", 0, ""});
    }
    return nodes;
}

std::string SystemV4l2Ops::resolve(const std::string& path) {
    std::error_code ec;
    const fs::path resolved = fs::canonical(path, ec);
    return ec ? std::string() : resolved.string();
}

int SystemV4l2Ops::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    return fd < 0 ? -errno : fd;
}

int SystemV4l2Ops::close(int fd) { return ::close(fd) < 0 ? -errno : 0; }

int SystemV4l2Ops::ioctl(int fd, unsigned long request, void* arg) {
    return ::ioctl(fd, request, arg) < 0 ? -errno : 0;
}

int SystemV4l2Ops::mmap(int fd, size_t length, int64_t offset, void** address) {
    void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, static_cast<off_t>(offset));
    if (p == MAP_FAILED) return -errno;
    *address = p;
    return 0;
}

int SystemV4l2Ops::munmap(void* address, size_t length) { return ::munmap(address, length) < 0 ? -errno : 0; }

int SystemV4l2Ops::poll(int fd, int timeout_ms) {
    pollfd p{fd, POLLIN, 0};
    const int n = ::poll(&p, 1, timeout_ms);
    if (n < 0) return -errno;
    return n == 0 ? 0 : (p.revents != 0 ? p.revents : POLLIN);
}

}  // namespace capture
