#include "platform/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

std::string directory_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string file_name_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string reason() { return std::strerror(errno); }

// A fresh file in the directory of `beside`, named so that no reader takes it for the real one.
int create_temporary(const std::string& beside, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = directory_of(beside) + "." + file_name_of(beside) + "." + std::to_string(::getpid()) + "." +
               std::to_string(counter++) + ".tmp";
        // 0666 under the umask, as the tool's other files.
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool write_all(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes the bytes to a temporary file beside `path` and renames it into place. The data reaches
// the disk before the rename, so a crash leaves the old file or the whole new one.
bool publish(const std::string& path, std::string_view content, std::string& error) {
    std::string temp;
    const int fd = create_temporary(path, temp);
    if (fd < 0) {
        error = "cannot create a temporary file beside " + path + ": " + reason();
        return false;
    }
    bool ok = write_all(fd, content) && ::fsync(fd) == 0;
    if (!ok) error = "cannot write " + temp + ": " + reason();
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = "cannot write " + temp + ": " + reason();
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = "cannot rename " + temp + " to " + path + ": " + reason();
    }
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

// The whole file; false when it cannot be read.
bool read_all(const std::string& path, std::string& bytes, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read " + path + ": " + reason();
        return false;
    }
    bytes.clear();
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = "cannot read " + path + ": " + reason();
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

}  // namespace

bool replace_file(const std::string& path, std::string_view content, const std::string& backup_path,
                  std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            error = path + " is a directory";
            return false;
        }
        if (!backup_path.empty()) {
            std::string old;
            if (!read_all(path, old, error) || !publish(backup_path, old, error)) return false;
        }
    }
    return publish(path, content, error);
}

}  // namespace platform
