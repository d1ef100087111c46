#include "platform/console.h"

#include <langinfo.h>
#include <strings.h>

#include <atomic>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "platform/text_encoding.h"

namespace platform {
namespace {

// The capture library prints from its streaming threads, so every write takes this lock.
std::mutex& console_mutex() {
    static std::mutex m;
    return m;
}

std::atomic<int> g_encoding{-1};  // -1: not chosen yet
bool g_redirect_active = false;
std::string* g_capture = nullptr;

std::string vformat(const char* format, va_list args) {
    char small[512];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(n));
    return out;
}

void write_to(FILE* stream, std::string_view utf8, bool flush) {
    std::string encoded;
    std::string_view bytes = utf8;
    if (console_encoding() == ConsoleEncoding::cp932) {
        encoded = utf8_to_cp932(utf8);
        bytes = encoded;
    }
    std::lock_guard lock(console_mutex());
    if (g_redirect_active) {
        if (g_capture) g_capture->append(bytes);
        return;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    if (flush) std::fflush(stream);
}

}  // namespace

ConsoleEncoding encoding_from_locale() {
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, "C");
    if (codeset) {
        for (const char* name : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "WINDOWS-31J", "MS_KANJI"}) {
            if (strcasecmp(codeset, name) == 0) return ConsoleEncoding::cp932;
        }
    }
    return ConsoleEncoding::utf8;
}

ConsoleEncoding console_encoding() {
    int e = g_encoding.load();
    if (e < 0) {
        e = static_cast<int>(encoding_from_locale());
        g_encoding.store(e);
    }
    return static_cast<ConsoleEncoding>(e);
}

void set_console_encoding(ConsoleEncoding encoding) { g_encoding.store(static_cast<int>(encoding)); }

bool parse_console_encoding(std::string_view name, ConsoleEncoding& out) {
    std::string lower;
    for (char c : name) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower == "utf-8" || lower == "utf8") {
        out = ConsoleEncoding::utf8;
        return true;
    }
    if (lower == "cp932" || lower == "shift-jis" || lower == "shift_jis" || lower == "sjis") {
        out = ConsoleEncoding::cp932;
        return true;
    }
    return false;
}

void console_printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    write_to(stdout, text, false);
}

void console_error_printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    write_to(stderr, text, true);
}

void console_write(std::string_view utf8) { write_to(stdout, utf8, false); }

void console_flush() {
    std::lock_guard lock(console_mutex());
    std::fflush(stdout);
}

ConsoleRedirect::ConsoleRedirect(std::string* capture) {
    std::lock_guard lock(console_mutex());
    previous_ = g_capture;
    previous_active_ = g_redirect_active;
    g_capture = capture;
    g_redirect_active = true;
}

ConsoleRedirect::~ConsoleRedirect() {
    std::lock_guard lock(console_mutex());
    g_capture = previous_;
    g_redirect_active = previous_active_;
}

}  // namespace platform
