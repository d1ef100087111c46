#pragma once
// Messages about the lines of one parameter file. A file of bad lines must not flood the console
// (a large colour table would print millions of lines on every request): of each kind of message
// the first kShownPerKind are printed, the rest are counted and summed up in one line when the
// file is done.

#include <string>
#include <vector>

namespace files {

enum class LineMessageKind { too_many_fields, bad_camera_number, bad_camera_setting };

inline constexpr int kShownPerKind = 10;

// While it lives, line messages are counted against the file it names. Scopes nest.
class LineMessageScope {
public:
    explicit LineMessageScope(std::string path);
    // Prints "... and N more" for each kind that had more than kShownPerKind messages.
    ~LineMessageScope();
    LineMessageScope(const LineMessageScope&) = delete;
    LineMessageScope& operator=(const LineMessageScope&) = delete;

    // True when a message of this kind is still to be printed; otherwise it is counted.
    bool admit(LineMessageKind kind);

private:
    struct Count {
        LineMessageKind kind;
        long long seen;
    };
    std::string path_;
    std::vector<Count> counts_;
    LineMessageScope* outer_;
};

// Prints the message of one line (printf-style UTF-8 text) unless the file being read has had
// enough of this kind; outside a scope it is always printed. Nothing is formatted for a message
// that is only counted.
void print_line_message(LineMessageKind kind, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace files
