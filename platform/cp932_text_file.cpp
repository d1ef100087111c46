#include "platform/cp932_text_file.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/text_encoding.h"

namespace platform {

bool Cp932TextFile::open(const std::string& path) {
    failure_.clear();
    return file_.open(path, failure_);
}

void Cp932TextFile::printf(const char* format, ...) {
    if (!file_.is_open()) return;
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
    std::string bytes = utf8_to_cp932(text);
#ifdef _WIN32
    // Text mode: each line feed is written as CR LF.
    std::string crlf;
    for (char c : bytes) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    bytes.swap(crlf);
#endif
    file_.write(bytes);
}

bool Cp932TextFile::close() {
    if (!file_.is_open()) return failure_.empty();
    return file_.commit(failure_);
}

}  // namespace platform
