#include "tools/request_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace tools {
namespace {

// The options that set one request key each.
struct KeyOption {
    std::string_view option;
    std::string_view key;
};
constexpr KeyOption kKeyOptions[] = {
    {"--max-pixnum", "max_pixnum"},   {"--min-pixnum", "min_pixnum"}, {"--color-th", "color_th"},
    {"--left-cam-id", "left_cam_id"}, {"--min-dist", "min_dist"},     {"--max-dist", "max_dist"},
};

// A day at most: anything longer is a typo, and the deadline arithmetic stays far from overflow.
constexpr double kMaxTimeoutSeconds = 86400.0;

}  // namespace

std::string request_usage_text() {
    return "Usage: cone-request [OPTIONS]\n"
           "\n"
           "Asks the cone locator for a measurement through the work directory: writes the request\n"
           "file, waits for the notify file, prints the report and removes the notify file.\n"
           "\n"
           "Request parameters (only the given ones are written; the others keep their values):\n"
           "  --max-pixnum N        regions must have fewer pixels than N\n"
           "  --min-pixnum N        ... and more than N\n"
           "  --color-th F          colour distance threshold\n"
           "  --left-cam-id N       1: device 0 is the left camera\n"
           "  --min-dist F, --max-dist F\n"
           "  --precise             sub-pixel centres and sizes for this request (precision,1);\n"
           "                        without it the request is answered with whole-pixel ones\n"
           "  --param KEY=VALUE     any of max_pixnum, min_pixnum, left_cam_id, color_th,\n"
           "                        min_dist, max_dist, precision\n"
           "\n"
           "Options:\n"
           "  --work-dir DIR        work directory (default: $RIVIVOVI_WORK_DIR, else\n"
           "                        $HOME/Rivivovi/work/)\n"
           "  --timeout SECONDS     how long to wait for the answer (default 10)\n"
           "  --json                one JSON object per cone instead of the table\n"
           "  --force               remove a notify file left from an earlier answer first\n"
           "  --encoding utf-8|cp932  console encoding (default: from the locale)\n"
           "  -h, --help            this text\n"
           "\n"
           "Exit status: 0 answered, 1 request not sent (one pending, stale notify file, file\n"
           "error), 2 bad arguments, 3 no answer in time (the request stays), 4 the report is\n"
           "missing or cannot be read.\n";
}

OptionsResult parse_request_options(int argc, char** argv, RequestOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::string v;
        auto value = [&]() {
            if (i + 1 >= argc) {
                error = "option " + std::string(arg) + " needs a value";
                return false;
            }
            v = argv[++i];
            return true;
        };
        auto add_param = [&](std::string key, std::string text) {
            if (!check_request_param(key, text, error)) return false;
            set_request_param(options.params, std::move(key), std::move(text));
            return true;
        };

        const KeyOption* key_option = nullptr;
        for (const auto& k : kKeyOptions) {
            if (k.option == arg) key_option = &k;
        }
        if (key_option) {
            if (!value() || !add_param(std::string(key_option->key), v)) return OptionsResult::error;
        } else if (arg == "-h" || arg == "--help") {
            return OptionsResult::help;
        } else if (arg == "--precise") {
            if (!add_param("precision", "1")) return OptionsResult::error;
        } else if (arg == "--param") {
            if (!value()) return OptionsResult::error;
            const auto eq = v.find('=');
            if (eq == std::string::npos) {
                error = "--param needs KEY=VALUE, not '" + v + "'";
                return OptionsResult::error;
            }
            if (!add_param(v.substr(0, eq), v.substr(eq + 1))) return OptionsResult::error;
        } else if (arg == "--work-dir") {
            if (!value()) return OptionsResult::error;
            if (v.empty()) {
                error = "--work-dir needs a directory";
                return OptionsResult::error;
            }
            options.work_dir = v;
        } else if (arg == "--timeout") {
            if (!value()) return OptionsResult::error;
            char* end = nullptr;
            errno = 0;
            const double t = std::strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(t) || t <= 0 ||
                t > kMaxTimeoutSeconds) {
                error = "--timeout needs a number of seconds above 0 (at most a day), not '" + v + "'";
                return OptionsResult::error;
            }
            options.timeout_seconds = t;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--force") {
            options.force = true;
        } else if (arg == "--encoding") {
            if (!value()) return OptionsResult::error;
            platform::ConsoleEncoding e;
            if (!platform::parse_console_encoding(v, e)) {
                error = "unknown encoding '" + v + "' (use utf-8 or cp932)";
                return OptionsResult::error;
            }
            options.encoding = e;
        } else {
            error = "unknown option '" + std::string(arg) + "'";
            return OptionsResult::error;
        }
    }
    return OptionsResult::ok;
}

}  // namespace tools
