#include <cstdio>
#include <string>

#include "app/backend_options.h"
#include "app/corn_location_service.h"
#include "app/locate_command.h"
#include "app/menu.h"
#include "app/options.h"
#include "app/serve_command.h"
#include "app/tune_command.h"
#include "capture/backend.h"
#include "capture/video_input.h"
#include "platform/console.h"
#include "platform/picture_file.h"
#include "platform/ui.h"
#include "platform/work_dir.h"

int main(int argc, char** argv) {
    // Line-buffered so a controller or a test reading through a pipe sees each line at once.
    std::setvbuf(stdout, nullptr, _IOLBF, 1 << 16);
    // The tool names every file problem itself; the image library's own warnings would only
    // repeat them in another form.
    platform::quiet_image_library_log();

    app::Options options;
    std::string text;
    switch (app::parse_options(argc, argv, options, text)) {
        case app::ParseResult::help:
        case app::ParseResult::version:
            std::fputs(text.c_str(), stdout);
            return 0;
        case app::ParseResult::error:
            std::fprintf(stderr, "%s\n", text.c_str());
            return 2;
        case app::ParseResult::ok:
            break;
    }
    capture::BackendOptions backend;
    if (!app::make_backend_options(options, backend, text)) {
        std::fprintf(stderr, "cone-locator: %s\n", text.c_str());
        return 2;
    }
    if (options.encoding) platform::set_console_encoding(*options.encoding);
    if (options.work_dir) platform::set_work_dir(*options.work_dir);
    if (!platform::ensure_work_dir()) return 1;
    if (!options.camera_settings.empty() && (options.command == "locate" || options.command == "tune")) {
        std::fprintf(stderr, "cone-locator %s: --set is for the cameras of cameras, serve and the menu\n",
                     options.command.c_str());
        return 2;
    }
    if (options.command == "locate") return app::run_locate_command(options.locate);
    if (options.command == "cameras")
        return app::run_cameras_command(backend, options.cameras, options.camera_settings, options.headless);
    // The menu and the service show windows: the display is probed once, before any of them.
    platform::select_ui(options.headless);
    if (options.command == "tune") return app::run_tune_command(options.tune);
    // The service lists the cameras itself.
    if (options.command == "serve") return app::run_serve_command(backend, options.camera_settings);

    // The entry point's own capture library object: announces the cameras once and lives until
    // the end; the stereo service opens devices through an object of its own. Both run on the
    // same cameras, so the library's use count sees both objects.
    auto camera_backend = capture::make_camera_backend(backend);
    capture::VideoInput VI(camera_backend);
    VI.enumerateDevices(false);

    switch (app::run_menu(backend, camera_backend, options.camera_settings)) {
        case app::MenuEnd::done:
            break;
        case app::MenuEnd::no_capture_device:
            return app::kNoCaptureDeviceStatus;
    }
    return 0;
}
