#pragma once
// The property pages of one camera, shown on a thread of their own over a session of their own:
// with windows, a page with a slider per property (and one for its automatic mode where it has
// one) that sets the camera as the sliders move; without windows, the properties printed once.

#include <atomic>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "capture/camera_backend.h"

namespace capture {

class SettingsDialog {
public:
    // Starts the thread at once; title names the camera and its device.
    SettingsDialog(std::unique_ptr<CameraSession> camera, std::string title);
    // Closes the page if it is still open and waits for the thread.
    ~SettingsDialog();
    SettingsDialog(const SettingsDialog&) = delete;
    SettingsDialog& operator=(const SettingsDialog&) = delete;

    // True while the pages are open.
    bool running() const { return !done_.load(); }

private:
    void run(std::stop_token stop);

    std::unique_ptr<CameraSession> camera_;  // used by the thread alone
    const std::string title_;
    std::atomic<bool> done_{false};
    std::jthread thread_;  // last: started when everything it uses is in place
};

// One line per property: name, range, step, default, current value and mode.
std::vector<std::string> property_lines(const std::vector<ControlInfo>& controls);

}  // namespace capture
