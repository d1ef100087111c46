#pragma once
// Windows and the key wait of the interactive modes. The GUI back end shows windows with the image
// library; the headless back end shows nothing and takes its keys from standard input, so the tool
// works over SSH and from scripts. The back end is chosen once, before any window call.

#include <memory>
#include <string>

namespace cv {
class Mat;
}

namespace platform {

class FileWatch;

class Ui {
public:
    virtual ~Ui() = default;
    virtual bool headless() const = 0;
    virtual void create_window(const std::string& title) = 0;
    virtual void show(const std::string& title, const cv::Mat& image) = 0;
    // Waits up to ms milliseconds for a key: its code, or -1 when none was pressed.
    virtual int wait_key(int ms) = 0;
    // The same wait, ended early (-1) as soon as the watched file comes; a plain wait when the
    // watch is null or inactive. The loop keeps its pace when nothing comes.
    virtual int wait_key_or_wake(int ms, FileWatch* wake);
    virtual void destroy_window(const std::string& title) = 0;
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
