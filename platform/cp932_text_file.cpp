#include "platform/cp932_text_file.h"

#include <cstdarg>
#include <string>

#include "platform/text_encoding.h"

namespace platform {

Cp932TextFile::~Cp932TextFile() { close(); }

bool Cp932TextFile::open(const std::string& path) {
    close();
    failed_ = false;
#ifdef _WIN32
    file_ = std::fopen(path.c_str(), "wt");
#else
    file_ = std::fopen(path.c_str(), "w");
#endif
    return file_ != nullptr;
}

void Cp932TextFile::printf(const char* format, ...) {
    if (!file_) return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(n > 0 ? static_cast<size_t>(n) + 1 : 1, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    const std::string bytes = utf8_to_cp932(text);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
}

bool Cp932TextFile::close() {
    if (!file_) return !failed_;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

}  // namespace platform
