#include "files/line_messages.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string_view>

#include "platform/console.h"

namespace files {

namespace {

thread_local LineMessageScope* t_current = nullptr;

}  // namespace

LineMessageScope::LineMessageScope(std::string path) : path_(std::move(path)), outer_(t_current) {
    t_current = this;
}

LineMessageScope::~LineMessageScope() {
    t_current = outer_;
    for (const Count& c : counts_) {
        if (c.seen > kShownPerKind) {
            platform::console_printf("……同じエラーの行がほかに %lld 行あります：%s\n", c.seen - kShownPerKind,
                                     path_.c_str());
        }
    }
}

bool LineMessageScope::admit(LineMessageKind kind) {
    for (Count& c : counts_) {
        if (c.kind == kind) return ++c.seen <= kShownPerKind;
    }
    counts_.push_back({kind, 1});
    return true;
}

void print_line_message(LineMessageKind kind, const char* format, ...) {
    if (t_current && !t_current->admit(kind)) return;
    va_list args;
    va_start(args, format);
    char text[512];
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n > 0)
        platform::console_write(std::string_view(text, std::min(static_cast<size_t>(n), sizeof text - 1)));
}

}  // namespace files
