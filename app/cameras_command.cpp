#include "app/cameras_command.h"

#include <algorithm>
#include <exception>
#include <string>

#include "app/camera_hint.h"
#include "capture/settings_dialog.h"
#include "capture/video_input.h"
#include "platform/console.h"
#include "platform/ui.h"

namespace app {
namespace {

constexpr int kKeyWaitMs = 125;
// The devices the service runs on, and so the ones --set is for.
constexpr int kSetDevices = 2;

// "YUY2", "RGB24", ... for the library's formats, the four characters for others.
std::string format_name(const capture::VideoInput& VI, uint32_t subtype) {
    char name[8];
    VI.subtypeName(subtype, name);
    if (std::string(name) != "OTHER") return name;
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) {
        const char c = static_cast<char>((subtype >> shift) & 0xFF);
        if (c > ' ' && c < 127) text += c;
    }
    return text.empty() ? "OTHER" : text;
}

std::string size_text(const capture::FormatRange& r) {
    std::string text = std::to_string(r.min_width) + "x" + std::to_string(r.min_height);
    if (r.min_width == r.max_width && r.min_height == r.max_height) return text;
    return text + ".." + std::to_string(r.max_width) + "x" + std::to_string(r.max_height) + " step " +
           std::to_string(r.step_x) + "x" + std::to_string(r.step_y);
}

// "YUY2 640x480 320x240; RGB24 640x480": sizes grouped by format, in the camera's order.
std::string formats_text(const capture::VideoInput& VI, const std::vector<capture::FormatRange>& formats) {
    std::string text;
    uint32_t current = 0;
    for (const capture::FormatRange& r : formats) {
        if (text.empty() || r.subtype != current) {
            if (!text.empty()) text += ";";
            text += (text.empty() ? "" : " ") + format_name(VI, r.subtype);
            current = r.subtype;
        }
        text += " " + size_text(r);
    }
    return text.empty() ? "(none listed)" : text;
}

void list_cameras(capture::CameraBackend& backend, const capture::VideoInput& VI) {
    const std::vector<capture::CameraInfo> cameras = backend.list_cameras();
    int index = 0;
    for (const capture::CameraInfo& camera : cameras) {
        if (!camera.names_readable) continue;
        const std::string name = camera.name ? *camera.name : camera.description.value_or("(no name)");
        platform::console_printf("%d) %s\n", index++, name.c_str());
        platform::console_printf("   port: %s\n",
                                 camera.location.empty() ? camera.path.c_str() : camera.location.c_str());
        if (!camera.problem.empty()) {
            platform::console_printf("   %s\n", camera.problem.c_str());
            continue;
        }
        // A session of its own: the camera's formats and controls are read, nothing is streamed.
        const std::unique_ptr<capture::CameraSession> session = camera.name ? backend.open(camera) : nullptr;
        if (!session) {
            platform::console_printf("   can't be opened\n");
            continue;
        }
        platform::console_printf("   formats: %s\n", formats_text(VI, session->formats()).c_str());
        const std::vector<capture::ControlInfo> controls = session->controls();
        platform::console_printf("   controls:%s\n", controls.empty() ? " none" : "");
        for (const std::string& line : capture::property_lines(controls))
            platform::console_printf("     %s\n", line.c_str());
    }
    if (index == 0) platform::console_printf("no cameras\n");
}

// Opens the property pages of every open device; without windows one after another, so that
// their lists come in device order. Returns when all are closed (or q is pressed).
void show_pages(capture::VideoInput& VI, const std::vector<int>& open, bool headless) {
    platform::Ui& ui = platform::ui();
    auto any_open = [&] {
        return std::any_of(open.begin(), open.end(), [&](int i) { return VI.settingsDialogOpen(i); });
    };
    for (const int index : open) {
        if (VI.openSettingsDialog(index) <= 0) {
            platform::console_printf("camera %d: the property pages can't be shown\n", index);
            continue;
        }
        while (headless && VI.settingsDialogOpen(index)) ui.wait_key(10);
    }
    if (!headless) platform::console_printf("close the property windows (or press q) to end\n");
    platform::console_flush();
    while (any_open()) {
        const int key = ui.wait_key(kKeyWaitMs);
        if (key == 'q' || key == 27) break;
    }
}

}  // namespace

platform::CliCommand cameras_cli_command(CamerasArgs& out) {
    platform::CliCommand c;
    c.name = "cameras";
    c.usage = "cameras [--set NAME=VALUE ...] [--pages]";
    c.summary = "the cameras with their formats and controls";
    c.description =
        "Lists the cameras the tool can use, numbered as devices 0, 1, ...: name, port, the\n"
        "formats and sizes each offers, and its controls with range, step, default and current\n"
        "value. With --set the settings are first applied to devices 0 and 1 (the stereo pair),\n"
        "one line each, and the listing shows what they are now. --pages shows the property\n"
        "pages of every camera: with a display a window each, with a slider per control (and\n"
        "one for its automatic mode), closed to end; without one, the controls are printed.\n"
        "Exit status: 0 done, 1 a setting could not be applied or a camera could not be opened\n"
        "for it.\n";
    c.options = {
        {"--pages", "", "show the property pages of every camera", [&out](const std::string&, std::string&) {
             out.pages = true;
             return true;
         }}};
    return c;
}

int run_cameras_command(const capture::BackendOptions& backend_options, const CamerasArgs& args,
                        const std::vector<CameraSetting>& settings, bool headless) {
    std::shared_ptr<capture::CameraBackend> backend;
    try {
        backend = capture::make_camera_backend(backend_options);
    } catch (const std::exception& e) {
        platform::console_error_printf("cone-locator cameras: %s\n", e.what());
        return 1;
    }
    // The library's set-up lines would bury the listing.
    capture::VideoInput::verbose = false;
    capture::VideoInput VI(backend);
    const int count = VI.enumerateDevices(true);
    int status = 0;

    std::vector<int> opened;
    const int wanted = args.pages         ? std::min(count, capture::MAX_DEVICES)
                       : settings.empty() ? 0
                                          : kSetDevices;
    for (int index = 0; index < std::min(wanted, count); ++index) {
        if (VI.openDevice(index)) {
            opened.push_back(index);
        } else if (index < kSetDevices && !settings.empty()) {
            platform::console_printf("camera %d can't be opened: its settings are not applied\n", index);
            status = 1;
        }
    }
    if (!settings.empty()) {
        std::vector<int> set_on;
        std::copy_if(opened.begin(), opened.end(), std::back_inserter(set_on),
                     [](int i) { return i < kSetDevices; });
        if (!apply_camera_settings(VI, settings, set_on)) status = 1;
    }
    list_cameras(*backend, VI);
    if (count == 0) print_no_camera_hint();
    if (args.pages && !opened.empty()) {
        platform::select_ui(headless);
        show_pages(VI, opened, platform::ui().headless());
    }
    for (const int index : opened) VI.closeDevice(index);
    platform::console_flush();
    return status;
}

}  // namespace app
