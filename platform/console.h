#pragma once
// Console text of the tool. Every message is kept in UTF-8 in the code and converted here to the
// encoding of the user's console, so the same literals serve UTF-8 terminals and Shift-JIS consoles.

#include <string>
#include <string_view>

namespace platform {

enum class ConsoleEncoding { utf8, cp932 };

// The encoding the console output is converted to. Chosen from the locale's codeset unless set.
ConsoleEncoding console_encoding();
void set_console_encoding(ConsoleEncoding encoding);
// Picks CP932 when the locale's codeset is Shift-JIS/CP932, UTF-8 otherwise.
ConsoleEncoding encoding_from_locale();
// Parses "utf-8"/"utf8"/"cp932"/"shift-jis"; false for anything else.
bool parse_console_encoding(std::string_view name, ConsoleEncoding& out);

// printf-style output of UTF-8 text to standard output, converted to the console encoding.
void console_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same to the standard error stream, flushed at once.
void console_error_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void console_write(std::string_view utf8);
void console_flush();

// Sends console output (standard output and error) somewhere else while it lives: appended to
// *capture in the console encoding, or dropped when capture is null. Scopes nest.
class ConsoleRedirect {
public:
    explicit ConsoleRedirect(std::string* capture);
    ~ConsoleRedirect();
    ConsoleRedirect(const ConsoleRedirect&) = delete;
    ConsoleRedirect& operator=(const ConsoleRedirect&) = delete;

private:
    std::string* previous_;
    bool previous_active_;
};

}  // namespace platform
