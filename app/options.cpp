#include "app/options.h"

#include <algorithm>
#include <cstdlib>

#include "app/serve_command.h"

#ifndef CL_VERSION
#define CL_VERSION "unknown"
#endif

namespace app {
namespace {

std::vector<platform::CliOption> global_options(Options& o) {
    return {
        {"--work-dir", "DIR",
         "work directory of the request, notify and report files\n"
         "(default: $RIVIVOVI_WORK_DIR, else $HOME/Rivivovi/work/)",
         [&o](const std::string& v, std::string&) {
             o.work_dir = v;
             return true;
         },
         "a directory"},
        {"--camera", "sim|v4l2",
         "camera back end (default v4l2: USB cameras; sim: the\n"
         "simulated stereo rig rendering a scene)",
         [&o](const std::string& v, std::string& error) {
             if (v == "sim") {
                 o.camera = capture::Backend::sim;
             } else if (v == "v4l2") {
                 o.camera = capture::Backend::v4l2;
             } else {
                 error = "unknown camera back end '" + v + "' (use sim or v4l2)";
                 return false;
             }
             return true;
         },
         "sim or v4l2"},
        {"--devices", "PATH0,PATH1",
         "V4L2 cameras used as devices 0 (left) and 1 (right):\n"
         "device nodes or /dev/v4l/by-path names (default: the\n"
         "cameras in the order of their USB ports)",
         [&o](const std::string& v, std::string& error) {
             o.devices.clear();
             for (size_t start = 0; start <= v.size();) {
                 const size_t comma = std::min(v.find(',', start), v.size());
                 o.devices.push_back(v.substr(start, comma - start));
                 if (o.devices.back().empty()) {
                     error = "--devices needs device paths separated by commas";
                     return false;
                 }
                 start = comma + 1;
             }
             return true;
         },
         "device paths"},
        {"--scene", "FILE", "scene of the simulated cameras (default: built-in scene)",
         [&o](const std::string& v, std::string&) {
             o.scene_file = v;
             return true;
         },
         "a file name"},
        {"--sim-stall-after", "N", "simulated cameras stop delivering after N frames (testing)",
         [&o](const std::string& v, std::string& error) {
             char* end = nullptr;
             const long n = std::strtol(v.c_str(), &end, 10);
             if (*end != '\0' || n < 0 || n > 1000000000) {
                 error = "--sim-stall-after needs a frame count";
                 return false;
             }
             o.sim_stall_after = static_cast<int>(n);
             return true;
         },
         "a frame count"},
        {"--sim-stall-ms", "MS",
         "a stall of --sim-stall-after lasts MS milliseconds,\n"
         "then the simulated cameras deliver on (testing)",
         [&o](const std::string& v, std::string& error) {
             char* end = nullptr;
             const long n = std::strtol(v.c_str(), &end, 10);
             if (v.empty() || *end != '\0' || n < 0 || n > 86400000) {
                 error = "--sim-stall-ms needs a number of milliseconds";
                 return false;
             }
             o.sim_stall_ms = static_cast<int>(n);
             return true;
         },
         "milliseconds"},
        {"--set", "NAME=VALUE",
         "camera setting for cameras, serve and the menu's service,\n"
         "applied to devices 0 and 1 once they are open; VALUE is a\n"
         "number, P% of the control's range, auto or default\n"
         "(repeat for more; see cone-locator cameras for the names)",
         [&o](const std::string& v, std::string& error) {
             CameraSetting setting;
             if (!parse_camera_setting(v, setting, error)) {
                 error = "--set " + v + ": " + error;
                 return false;
             }
             o.camera_settings.push_back(std::move(setting));
             return true;
         },
         "NAME=VALUE"},
        {"--headless", "",
         "no windows; keys are read from standard input\n"
         "(also chosen when there is no usable display)",
         [&o](const std::string&, std::string&) {
             o.headless = true;
             return true;
         }},
        platform::encoding_option(o.encoding),
    };
}

}  // namespace

platform::CliProgram cone_locator_program(Options& options) {
    platform::CliProgram p;
    p.name = "cone-locator";
    p.version = CL_VERSION;
    p.usage = "[OPTIONS]                     the menu";
    p.description =
        "Finds red cones with two cameras side by side and answers the controller program\n"
        "through files in the work directory. Without a command it shows the numbered menu:\n"
        "the live preview of one camera, the stereo service, the edge test and the feed of\n"
        "stored stills to the training tool.\n";
    p.options = global_options(options);
    p.commands = {serve_cli_command(), locate_cli_command(options.locate), tune_cli_command(options.tune),
                  cameras_cli_command(options.cameras)};
    p.epilogue =
        "Examples:\n"
        "  cone-locator --camera sim              the menu on the simulated rig\n"
        "  cone-locator serve --camera sim --work-dir=/tmp/work\n"
        "  cone-locator cameras --set exposure=300 --set white_balance=auto\n";
    return p;
}

ParseResult parse_options(int argc, char** argv, Options& options, std::string& text) {
    const platform::CliProgram program = cone_locator_program(options);
    const platform::CliParse parse = platform::parse_command_line(program, argc, argv);
    options.command = parse.command ? parse.command->name : std::string();
    switch (parse.outcome) {
        case platform::CliOutcome::run:
            return ParseResult::ok;
        case platform::CliOutcome::help:
            text = platform::cli_help_text(program, parse.command);
            return ParseResult::help;
        case platform::CliOutcome::version:
            text = program.name + " " + program.version + "\n";
            return ParseResult::version;
        case platform::CliOutcome::error:
            break;
    }
    text = parse.error;
    return ParseResult::error;
}

std::string usage_text(const std::string& command) {
    Options unused;
    const platform::CliProgram program = cone_locator_program(unused);
    for (const platform::CliCommand& c : program.commands) {
        if (c.name == command) return platform::cli_help_text(program, &c);
    }
    return platform::cli_help_text(program, nullptr);
}

}  // namespace app
