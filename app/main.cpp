#include <cstdio>
#include <string>

#include "app/backend_options.h"
#include "app/locate_command.h"
#include "app/menu.h"
#include "app/options.h"
#include "app/serve_command.h"
#include "capture/backend.h"
#include "capture/video_input.h"
#include "platform/console.h"
#include "platform/ui.h"
#include "platform/work_dir.h"

int main(int argc, char** argv) {
    // Line-buffered so a controller or a test reading through a pipe sees each line at once.
    std::setvbuf(stdout, nullptr, _IOLBF, 1 << 16);

    app::Options options;
    std::string error;
    switch (app::parse_options(argc, argv, options, error)) {
        case app::ParseResult::help:
            std::fputs(app::usage_text().c_str(), stdout);
            return 0;
        case app::ParseResult::error:
            std::fprintf(stderr, "cone-locator: %s\n%s", error.c_str(), app::usage_text().c_str());
            return 2;
        case app::ParseResult::ok:
            break;
    }
    capture::BackendOptions backend;
    if (!app::make_backend_options(options, backend, error)) {
        std::fprintf(stderr, "cone-locator: %s\n", error.c_str());
        return 2;
    }
    if (options.encoding) platform::set_console_encoding(*options.encoding);
    if (options.work_dir) platform::set_work_dir(*options.work_dir);
    platform::select_ui(options.headless);
    if (!platform::ensure_work_dir()) return 1;
    if (options.command == "locate") return app::run_locate_command(options.command_args);
    // The service lists the cameras itself.
    if (options.command == "serve") return app::run_serve_command(options.command_args, backend);

    // The entry point's own capture library object: announces the cameras once and lives until
    // the end; the stereo service opens devices through an object of its own. Both run on the
    // same cameras, so the library's use count sees both objects.
    auto camera_backend = capture::make_camera_backend(backend);
    capture::VideoInput VI(camera_backend);
    VI.enumerateDevices(false);

    return app::run_menu(options, backend, camera_backend);
}
