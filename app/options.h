#pragma once
// Command-line options of cone-locator: a table of the options every command takes and of the
// commands with their own options and help. A new command or option is one more entry there.

#include <optional>
#include <string>

#include "app/camera_settings.h"
#include "app/cameras_command.h"
#include "app/locate_command.h"
#include "app/tune_command.h"
#include "capture/backend.h"
#include "platform/command_line.h"
#include "platform/console.h"

namespace app {

struct Options {
    std::optional<std::string> work_dir;
    std::optional<platform::ConsoleEncoding> encoding;
    bool headless = false;
    capture::Backend camera = capture::Backend::v4l2;
    std::string scene_file;    // empty: the built-in scene
    int sim_stall_after = -1;  // simulated cameras stop delivering after this many frames; -1 never
    int sim_stall_ms = -1;     // ... for this long, then deliver on; -1 for good
    std::vector<std::string> devices;  // V4L2 nodes pinned as devices 0, 1, ...
    std::vector<CameraSetting> camera_settings;  // --set, in order
    std::string command;       // empty: the menu; "locate", "serve", "tune", "cameras"
    LocateArgs locate;         // the options of `locate`
    TuneArgs tune;             // the options of `tune`
    CamerasArgs cameras;       // the options of `cameras`
};

enum class ParseResult { ok, help, version, error };

// The program's table; its options write into `options`.
platform::CliProgram cone_locator_program(Options& options);

// Parses argv into options (options.command names the command, also for help). On error `text`
// holds the one line to print; for help and version the text to print.
ParseResult parse_options(int argc, char** argv, Options& options, std::string& text);
// The help of the program, or of one of its commands.
std::string usage_text(const std::string& command = {});

}  // namespace app
