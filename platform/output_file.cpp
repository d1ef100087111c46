#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/file_ops.h"

namespace platform {
namespace {

std::string errno_text(int error_number) { return std::strerror(error_number); }

// The file a write to path ends up in: the file a symbolic link (or a chain of them) leads to,
// also when it does not exist yet; the path itself otherwise.
std::string resolve_target(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : resolved.string();
}

// A fresh hidden file beside the target. Its name never is one of the protocol's names.
int create_temporary(const std::string& target, std::string& temporary, int& error_number) {
    static std::atomic<unsigned> counter{0};
    const std::string base = file_name_of(target).substr(0, 160);  // stays under the name limit
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = directory_of(target) + "." + base + "." + std::to_string(::getpid()) + "." +
                    std::to_string(counter++) + ".tmp";
        // 0666 under the umask, as a file opened for writing gets.
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    error_number = errno;
    temporary.clear();
    return -1;
}

bool write_all(int fd, std::string_view bytes, int& error_number) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_number = n < 0 ? errno : EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(const std::string& path, std::string& reason) {
    discard();
    failure_.clear();
    target_ = path;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        reason = "it is a directory";
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or pipe can't be replaced by renaming; written in place, by the name given
        // (/dev/stdout leads to a pipe only the kernel can follow). Non-blocking, so a FIFO
        // without a reader is refused at once instead of waited on.
        const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            reason = errno == ENXIO ? "a FIFO that nobody reads" : errno_text(errno);
            return false;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        fd_ = fd;
        direct_ = true;
        return true;
    }
    target_ = resolve_target(path);
    int error_number = 0;
    fd_ = create_temporary(target_, temporary_, error_number);
    if (fd_ < 0) {
        reason = "cannot create a file in " +
                 (directory_of(target_).empty() ? std::string(".") : directory_of(target_)) + ": " +
                 errno_text(error_number);
        return false;
    }
    // The new file keeps the permissions of the one it replaces.
    if (exists) ::fchmod(fd_, st.st_mode & 07777);
    direct_ = false;
    return true;
}

void OutputFile::write(std::string_view bytes) {
    if (fd_ < 0 || !failure_.empty()) return;
    int error_number = 0;
    if (!write_all(fd_, bytes, error_number)) failure_ = errno_text(error_number);
}

bool OutputFile::commit(std::string& reason) {
    if (fd_ < 0) {
        reason = failure_.empty() ? "not open" : failure_;
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && failure_.empty()) failure_ = errno_text(errno);
    if (direct_) {
        if (!failure_.empty()) reason = failure_;
        return failure_.empty();
    }
    if (failure_.empty() && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        failure_ = "cannot be put in place: " + errno_text(errno);
    }
    if (!failure_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
        reason = failure_;
        return false;
    }
    temporary_.clear();
    return true;
}

void OutputFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool write_output_file(const std::string& path, std::string_view bytes, std::string& reason) {
    OutputFile file;
    if (!file.open(path, reason)) return false;
    file.write(bytes);
    return file.commit(reason);
}

bool remove_output_file(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR;
    if (!S_ISREG(st.st_mode)) return true;
    return ::unlink(resolve_target(path).c_str()) == 0 || errno == ENOENT;
}

}  // namespace platform
