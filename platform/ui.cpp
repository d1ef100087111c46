#include "platform/ui.h"

#include <cstdlib>

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

Ui& ui() {
    if (!current()) current() = make_headless_ui();
    return *current();
}

}  // namespace platform
