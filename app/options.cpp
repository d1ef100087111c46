#include "app/options.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace app {

std::string usage_text() {
    return "Usage: cone-locator [OPTIONS]            the menu\n"
           "       cone-locator [OPTIONS] serve      the stereo cone-location service directly\n"
           "       cone-locator [OPTIONS] locate --left L.bmp --right R.bmp [--request F]\n"
           "                    [--colors F] [--report F] [--annotate OUT.png]\n"
           "\n"
           "Finds red cones with two cameras side by side and answers the controller program\n"
           "through files in the work directory.\n"
           "\n"
           "Options:\n"
           "  --work-dir DIR        work directory of the request, notify and report files\n"
           "                        (default: $RIVIVOVI_WORK_DIR, else $HOME/Rivivovi/work/)\n"
           "  --camera sim|v4l2     camera back end (default v4l2: USB cameras; sim: the\n"
           "                        simulated stereo rig rendering a scene)\n"
           "  --devices PATH0,PATH1 V4L2 cameras used as devices 0 (left) and 1 (right): device\n"
           "                        nodes or /dev/v4l/by-path names (default: the cameras in the\n"
           "                        order of their USB ports)\n"
           "  --scene FILE          scene of the simulated cameras (default: built-in scene)\n"
           "  --sim-stall-after N   simulated cameras stop delivering after N frames (testing)\n"
           "  --headless            no windows; keys are read from standard input\n"
           "                        (also chosen when there is no display)\n"
           "  --encoding utf-8|cp932  console encoding (default: from the locale)\n"
           "  -h, --help            this text\n";
}

ParseResult parse_options(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = "option " + std::string(arg) + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string v;
        if (!options.command.empty()) {
            options.command_args.emplace_back(arg);
        } else if (arg == "-h" || arg == "--help") {
            return ParseResult::help;
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--work-dir") {
            if (!value(v)) return ParseResult::error;
            options.work_dir = v;
        } else if (arg == "--encoding") {
            if (!value(v)) return ParseResult::error;
            platform::ConsoleEncoding e;
            if (!platform::parse_console_encoding(v, e)) {
                error = "unknown encoding '" + v + "' (use utf-8 or cp932)";
                return ParseResult::error;
            }
            options.encoding = e;
        } else if (arg == "--camera") {
            if (!value(v)) return ParseResult::error;
            if (v == "sim") {
                options.camera = capture::Backend::sim;
            } else if (v == "v4l2") {
                options.camera = capture::Backend::v4l2;
            } else {
                error = "unknown camera back end '" + v + "' (use sim or v4l2)";
                return ParseResult::error;
            }
        } else if (arg == "--devices") {
            if (!value(v)) return ParseResult::error;
            options.devices.clear();
            for (size_t start = 0; start <= v.size();) {
                const size_t comma = std::min(v.find(',', start), v.size());
                options.devices.push_back(v.substr(start, comma - start));
                if (options.devices.back().empty()) {
                    error = "--devices needs device paths separated by commas";
                    return ParseResult::error;
                }
                start = comma + 1;
            }
        } else if (arg == "--scene") {
            if (!value(options.scene_file)) return ParseResult::error;
        } else if (arg == "--sim-stall-after") {
            if (!value(v)) return ParseResult::error;
            char* end = nullptr;
            long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || n < 0 || n > 1000000000) {
                error = "--sim-stall-after needs a frame count";
                return ParseResult::error;
            }
            options.sim_stall_after = static_cast<int>(n);
        } else if (arg == "serve" || arg == "locate") {
            options.command = std::string(arg);
        } else {
            error = "unknown option '" + std::string(arg) + "'";
            return ParseResult::error;
        }
    }
    return ParseResult::ok;
}

}  // namespace app
