#include "capture/media/v4l2/libv4l2_ops.h"

#include <dirent.h>
#include <fcntl.h>
#include <libv4l2.h>
#include <poll.h>
#include <sys/mman.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace media::v4l2 {

std::vector<std::string> LibV4l2Ops::device_nodes() {
    std::vector<std::string> nodes;
    DIR* dir = ::opendir("/dev");
    if (!dir) return nodes;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strncmp(name, "video", 5) != 0 || name[5] == '\0') continue;
        bool digits = true;
        for (const char* c = name + 5; *c; ++c)
            digits = digits && std::isdigit(static_cast<unsigned char>(*c));
        if (digits) nodes.push_back(std::string("/dev/") + name);
    }
    ::closedir(dir);
    return nodes;
}

int LibV4l2Ops::open(const std::string& path) {
    int fd = v4l2_open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    return fd < 0 ? -errno : fd;
}

int LibV4l2Ops::close(int fd) { return v4l2_close(fd) < 0 ? -errno : 0; }

int LibV4l2Ops::ioctl(int fd, unsigned long request, void* arg) {
    return v4l2_ioctl(fd, request, arg) < 0 ? -errno : 0;
}

int LibV4l2Ops::mmap(int fd, size_t length, int64_t offset, void** address) {
    void* p = v4l2_mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
    if (p == MAP_FAILED) return -errno;
    *address = p;
    return 0;
}

int LibV4l2Ops::munmap(void* address, size_t length) { return v4l2_munmap(address, length) < 0 ? -errno : 0; }

int LibV4l2Ops::poll(int fd, int timeout_ms) {
    pollfd p{fd, POLLIN, 0};
    int n = ::poll(&p, 1, timeout_ms);
    if (n < 0) return -errno;
    return n == 0 ? 0 : (p.revents != 0 ? p.revents : POLLIN);
}

}  // namespace media::v4l2
