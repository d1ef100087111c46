#pragma once
// Windows and the key wait of the interactive modes. The GUI back end shows windows with the image
// library; the headless back end shows nothing and takes its keys from standard input, so the tool
// works over SSH and from scripts. The back end is chosen once, before any window call.

#include <memory>
#include <string>
#include <vector>

namespace cv {
class Mat;
}

namespace platform {

// A mouse event in a window, in the coordinates of the picture shown there.
struct MouseEvent {
    enum class Kind { left_down, move, left_up };
    Kind kind = Kind::move;
    int x = 0, y = 0;
};

class Ui {
public:
    virtual ~Ui() = default;
    virtual bool headless() const = 0;
    virtual void create_window(const std::string& title) = 0;
    virtual void show(const std::string& title, const cv::Mat& image) = 0;
    // Waits up to ms milliseconds for a key: its code, or -1 when none was pressed.
    virtual int wait_key(int ms) = 0;
    virtual void destroy_window(const std::string& title) = 0;
    // A slider 0..max under the window, set to position. Without windows there is none.
    virtual void create_trackbar(const std::string& /*title*/, const std::string& /*name*/, int /*max*/,
                                 int /*position*/) {}
    // The slider's position; -1 when there is no such slider.
    virtual int trackbar_position(const std::string& /*title*/, const std::string& /*name*/) { return -1; }
    virtual void set_trackbar_position(const std::string& /*title*/, const std::string& /*name*/,
                                       int /*position*/) {}
    // The window's mouse events since the last call, oldest first; the first call starts watching.
    // They arrive while wait_key waits. Without windows there are none.
    virtual std::vector<MouseEvent> take_mouse_events(const std::string& /*title*/) { return {}; }
};

// True when there is a display to open windows on (X11 or Wayland).
bool display_available();
// Chooses the back end: headless when asked for or when no display is available.
void select_ui(bool force_headless);
// The chosen back end (headless when select_ui was never called).
Ui& ui();

std::unique_ptr<Ui> make_headless_ui();
std::unique_ptr<Ui> make_gui_ui();

}  // namespace platform
