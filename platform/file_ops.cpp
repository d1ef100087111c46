#include "platform/file_ops.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/output_file.h"

namespace platform {

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool regular_file_exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool create_empty_file(const std::string& path, std::string* reason) {
    std::string why;
    const bool ok = write_output_file(path, {}, why);
    if (!ok && reason) *reason = why;
    return ok;
}

bool remove_file(const std::string& path, std::string* reason) {
    if (::unlink(path.c_str()) == 0) return true;
    const int error_number = errno;
    if (reason) *reason = std::strerror(error_number);
    errno = error_number;
    return false;
}

std::string directory_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string file_name_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace platform
