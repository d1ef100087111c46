#include "files/text_lines.h"

#include <sys/stat.h>

std::FILE* open_text_file(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    // A directory opens for reading on POSIX but not on Windows; treat it as not openable.
    struct stat st {};
    if (fstat(fileno(file), &st) != 0 || S_ISDIR(st.st_mode)) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

bool read_text_line(std::FILE* file, char* buffer, int size) {
    if (size <= 0) return false;
    int n = 0;
    while (n < size - 1) {
        int c = std::getc(file);
        if (c == EOF) break;
        if (c == '\r') {
            const int next = std::getc(file);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, file);
            }
        }
        buffer[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    if (n == 0 && size > 1) return false;
    buffer[n] = '\0';
    return true;
}
