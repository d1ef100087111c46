#include "files/text_lines.h"

#include "platform/console.h"

namespace files {

bool read_text_file(const std::string& path, std::string& text, platform::InputError& error) {
    return platform::read_input_file(path, platform::kParameterFileLimit, text, error);
}

void print_input_problem(const std::string& path, const platform::InputError& error) {
    platform::console_printf("  %s\n", platform::input_problem_text(path, error).c_str());
}

bool TextLines::next(char* buffer, int size) {
    if (size <= 0) return false;
    if (at_ >= text_.size() && size > 1) return false;
    int n = 0;
    while (n < size - 1 && at_ < text_.size()) {
        char c = text_[at_++];
        if (c == '\r' && at_ < text_.size() && text_[at_] == '\n') {
            c = '\n';
            ++at_;
        }
        buffer[n++] = c;
        if (c == '\n') break;
    }
    buffer[n] = '\0';
    return true;
}

}  // namespace files
