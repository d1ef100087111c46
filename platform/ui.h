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

class FileWatch;

// How a mode's window looks and behaves besides its pictures.
struct WindowOptions {
    std::string status_line;  // key hints drawn in a line under the pictures; empty: none
    int close_key = -1;       // what the key wait reports once the window is closed; -1: nothing
    int x = -1, y = -1;       // where its top-left corner goes on the screen; -1: where it falls
};

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
    virtual void create_window(const std::string& name, const WindowOptions& options) = 0;
    // The title shown in the window's frame; the window keeps its name.
    virtual void set_title(const std::string& name, const std::string& title) = 0;
    // Shows the picture (and the window's status line). A window closed by the user stays closed.
    virtual void show(const std::string& name, const cv::Mat& image) = 0;
    // Waits up to ms milliseconds for a key: its code, or -1 when none was pressed. While one of
    // the windows is closed, the key it was created with.
    virtual int wait_key(int ms) = 0;
    // The same wait, ended early (-1) as soon as the watched file comes; a plain wait when the
    // watch is null or inactive. The loop keeps its pace when nothing comes.
    virtual int wait_key_or_wake(int ms, FileWatch* wake);
    virtual void destroy_window(const std::string& name) = 0;
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

// Whether windows can be shown here, and if not, why.
struct DisplayCheck {
    bool usable = false;
    std::string reason;  // when not usable: one phrase, e.g. "the display :55 can't be opened"
};
// Asks the X server named by DISPLAY for a connection (and closes it again) without aborting
// when there is none; a Wayland session without an X display counts as none.
DisplayCheck check_display();

// Chooses the back end: headless when asked for, or when the display check fails, which is then
// said in one line on the error stream.
void select_ui(bool force_headless);
// The chosen back end (headless when select_ui was never called).
Ui& ui();

std::unique_ptr<Ui> make_headless_ui();
std::unique_ptr<Ui> make_gui_ui();

}  // namespace platform
