#pragma once
// Line input of the parameter files, the same on every host: the files come from Windows tools and
// are read as a text-mode stream there, so a CR before a LF is dropped here too.

#include <string>
#include <string_view>

#include "platform/input_file.h"

namespace files {

// The whole parameter file at path, read as an input file (a regular file, within the limit of
// parameter files). False with the problem when it can't be read.
bool read_text_file(const std::string& path, std::string& text, platform::InputError& error);

// Prints the line that follows a reader's "can't open" message: the path and the reason.
void print_input_problem(const std::string& path, const platform::InputError& error);

// The pieces of a text as fgets on a text-mode stream hands them over.
class TextLines {
public:
    explicit TextLines(std::string_view text) : text_(text) {}
    // Like fgets(buffer, size, file): at most size - 1 characters, up to and including the line
    // feed, then the terminator; a CR directly before a LF is dropped. False at the end of the
    // text (the buffer is then left as it was).
    bool next(char* buffer, int size);

private:
    std::string_view text_;
    size_t at_ = 0;
};

}  // namespace files
