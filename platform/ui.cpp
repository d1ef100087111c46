#include "platform/ui.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "platform/console.h"
#include "platform/file_watch.h"

// Last: its macros (Status, None, ...) would clash with names in other headers.
#include <X11/Xlib.h>

namespace platform {
namespace {

std::unique_ptr<Ui>& current() {
    static std::unique_ptr<Ui> ui;
    return ui;
}

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

// The image library draws its windows through a toolkit that aborts the whole process when its
// display can't be reached, so the display is tried here first, with a call that only fails.
DisplayCheck check_display() {
    const std::string x = env("DISPLAY");
    const std::string wayland = env("WAYLAND_DISPLAY");
    if (x.empty()) {
        if (!wayland.empty()) return {false, "a Wayland session without an X display (DISPLAY is not set)"};
        return {false, "no display (DISPLAY is not set)"};
    }
    Display* display = XOpenDisplay(x.c_str());
    if (!display) return {false, "the display " + x + " can't be opened"};
    XCloseDisplay(display);
    return {true, {}};
}

void select_ui(bool force_headless) {
    if (force_headless) {
        current() = make_headless_ui();
        return;
    }
    const DisplayCheck display = check_display();
    if (display.usable) {
        current() = make_gui_ui();
        return;
    }
    console_error_printf("%s: no windows, keys are read from standard input\n", display.reason.c_str());
    current() = make_headless_ui();
}

// The window library's key wait can't watch a descriptor as well: it waits in short slices and
// looks at the watch between them.
int Ui::wait_key_or_wake(int ms, FileWatch* wake) {
    if (!wake || !wake->active()) return wait_key(ms);
    constexpr int kSliceMs = 10;
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
        if (left <= 0) return -1;
        const int key = wait_key(static_cast<int>(std::min<long long>(left, kSliceMs)));
        if (key != -1) return key;
        if (wake->take()) return -1;
    }
}

Ui& ui() {
    if (!current()) current() = make_headless_ui();
    return *current();
}

}  // namespace platform
