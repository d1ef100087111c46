#include "platform/input.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <thread>

#include "platform/file_watch.h"

namespace platform {
namespace {

std::deque<char> g_pending;
bool g_eof = false;

enum class Filled { input, nothing, woken };

// Reads what is available within timeout_ms (-1: block) into the buffer; returns early when the
// watched file comes.
Filled fill(int timeout_ms, FileWatch* wake = nullptr) {
    pollfd pfd[2] = {{g_eof ? -1 : STDIN_FILENO, POLLIN, 0}, {wake ? wake->fd() : -1, POLLIN, 0}};
    if (pfd[0].fd < 0 && pfd[1].fd < 0) {
        if (timeout_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
        return Filled::nothing;
    }
    int r = ::poll(pfd, 2, timeout_ms);
    if (r <= 0) return Filled::nothing;
    if (pfd[1].revents != 0 && wake->take()) return Filled::woken;
    if (pfd[0].revents == 0) return Filled::nothing;
    char buffer[256];
    ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) return Filled::nothing;
    if (n <= 0) {
        g_eof = true;
        return Filled::nothing;
    }
    g_pending.insert(g_pending.end(), buffer, buffer + n);
    return Filled::input;
}

termios g_saved_termios;
bool g_termios_saved = false;

void restore_terminal() {
    if (g_termios_saved) tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_termios);
}

void restore_and_reraise(int sig) {
    restore_terminal();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace

std::optional<std::string> read_line() {
    std::string line;
    for (;;) {
        while (!g_pending.empty()) {
            char c = g_pending.front();
            g_pending.pop_front();
            if (c == '\n') {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                return line;
            }
            line += c;
        }
        if (g_eof || (fill(-1) != Filled::input && g_eof)) {
            if (line.empty()) return std::nullopt;
            return line;
        }
    }
}

NumberInput read_number(int& value) {
    std::optional<std::string> line = read_line();
    if (!line) return NumberInput::end_of_input;
    const char* p = line->c_str();
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    const char* digits = p;
    if (*digits == '+' || *digits == '-') ++digits;
    if (*digits < '0' || *digits > '9') return NumberInput::not_a_number;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(p, &end, 10);
    if (errno == ERANGE || v > INT_MAX || v < INT_MIN) return NumberInput::not_a_number;
    value = static_cast<int>(v);
    return NumberInput::number;
}

int read_key(int timeout_ms, FileWatch* wake) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeout_ms);
    if (wake && !wake->active()) wake = nullptr;
    for (;;) {
        if (!g_pending.empty()) {
            auto c = static_cast<unsigned char>(g_pending.front());
            g_pending.pop_front();
            return c;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
        if (left <= 0) return -1;
        if (fill(static_cast<int>(left), wake) == Filled::woken) return -1;
    }
}

bool input_ended() { return g_eof && g_pending.empty(); }

SingleKeyMode::SingleKeyMode() {
    if (!isatty(STDIN_FILENO)) return;
    termios t{};
    if (tcgetattr(STDIN_FILENO, &t) != 0) return;
    g_saved_termios = t;
    g_termios_saved = true;
    t.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &t) != 0) return;
    active_ = true;
    static bool handlers_installed = false;
    if (!handlers_installed) {
        handlers_installed = true;
        std::atexit(restore_terminal);
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            struct sigaction old {};
            sigaction(sig, nullptr, &old);
            if (old.sa_handler == SIG_DFL) std::signal(sig, restore_and_reraise);
        }
    }
}

SingleKeyMode::~SingleKeyMode() {
    if (active_) restore_terminal();
}

}  // namespace platform
