#include "platform/ui.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "platform/file_watch.h"

namespace platform {
namespace {

std::unique_ptr<Ui>& current() {
    static std::unique_ptr<Ui> ui;
    return ui;
}

}  // namespace

bool display_available() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

// The image library's windows abort the whole process when there is no display, so the choice is
// made here from the environment before any of its window calls.
void select_ui(bool force_headless) {
    current() = (force_headless || !display_available()) ? make_headless_ui() : make_gui_ui();
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
