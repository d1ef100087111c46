#include "platform/file_ops.h"

#include <sys/stat.h>

#include <cstdio>

namespace platform {

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool create_empty_file(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    return std::fclose(f) == 0;
}

bool remove_file(const std::string& path) { return std::remove(path.c_str()) == 0; }

}  // namespace platform
