#include "tools/request_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string_view>

#include "platform/command_line.h"

#ifndef CL_VERSION
#define CL_VERSION "unknown"
#endif

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

namespace {

// The program's table; its options write into `options`.
platform::CliProgram request_program(RequestOptions& options) {
    platform::CliProgram p;
    p.name = "cone-request";
    p.version = CL_VERSION;
    p.usage = "[OPTIONS]";
    p.description =
        "Asks the cone locator for a measurement through the work directory: writes the request\n"
        "file, waits for the notify file, prints the report and removes the notify file.\n"
        "The first seven options set request parameters: only the given ones are written, the\n"
        "others keep their values in the tool.\n";
    const char* const key_help[] = {
        "regions must have fewer pixels than N", "... and more than N", "colour distance threshold",
        "1: device 0 is the left camera",        "minimum distance",    "maximum distance",
    };
    const char* const key_value[] = {"N", "N", "F", "N", "F", "F"};
    for (size_t k = 0; k < std::size(kKeyOptions); ++k) {
        const KeyOption& key = kKeyOptions[k];
        p.options.push_back({std::string(key.option), key_value[k], key_help[k],
                             [&options, key](const std::string& v, std::string& error) {
                                 if (!files::check_request_param(std::string(key.key), v, error))
                                     return false;
                                 files::set_request_param(options.params, std::string(key.key), v);
                                 return true;
                             }});
    }
    p.options.push_back({"--precise", "",
                         "sub-pixel centres and sizes for this request\n"
                         "(precision,1); without it the request is answered\n"
                         "with whole-pixel ones",
                         [&options](const std::string&, std::string& error) {
                             if (!files::check_request_param("precision", "1", error)) return false;
                             files::set_request_param(options.params, "precision", "1");
                             return true;
                         }});
    p.options.push_back({"--param", "KEY=VALUE",
                         "any of max_pixnum, min_pixnum, left_cam_id, color_th,\n"
                         "min_dist, max_dist, precision",
                         [&options](const std::string& v, std::string& error) {
                             const auto eq = v.find('=');
                             if (eq == std::string::npos) {
                                 error = "--param needs KEY=VALUE, not '" + v + "'";
                                 return false;
                             }
                             std::string key = v.substr(0, eq);
                             std::string text = v.substr(eq + 1);
                             if (!files::check_request_param(key, text, error)) return false;
                             files::set_request_param(options.params, std::move(key), std::move(text));
                             return true;
                         },
                         "KEY=VALUE"});
    p.options.push_back({"--work-dir", "DIR",
                         "work directory (default: $RIVIVOVI_WORK_DIR, else\n$HOME/Rivivovi/work/)",
                         [&options](const std::string& v, std::string&) {
                             options.work_dir = v;
                             return true;
                         },
                         "a directory"});
    p.options.push_back(
        {"--timeout", "SECONDS", "how long to wait for the answer (default 10)",
         [&options](const std::string& v, std::string& error) {
             char* end = nullptr;
             errno = 0;
             const double t = std::strtod(v.c_str(), &end);
             if (*end != '\0' || errno == ERANGE || !std::isfinite(t) || t <= 0 || t > kMaxTimeoutSeconds) {
                 error = "--timeout needs a number of seconds above 0 (at most a day), not '" + v + "'";
                 return false;
             }
             options.timeout_seconds = t;
             return true;
         },
         "a number of seconds"});
    p.options.push_back({"--json", "", "one JSON object per cone instead of the table",
                         [&options](const std::string&, std::string&) {
                             options.json = true;
                             return true;
                         }});
    p.options.push_back({"--force", "", "remove a notify file left from an earlier answer first",
                         [&options](const std::string&, std::string&) {
                             options.force = true;
                             return true;
                         }});
    p.options.push_back(platform::encoding_option(options.encoding));
    p.epilogue =
        "Exit status: 0 answered, 1 request not sent (one pending, stale notify file, file\n"
        "error), 2 bad arguments, 3 no answer in time (the request stays), 4 the report is\n"
        "missing or cannot be read.\n";
    return p;
}

}  // namespace

std::string request_usage_text() {
    RequestOptions unused;
    return platform::cli_help_text(request_program(unused), nullptr);
}

OptionsResult parse_request_options(int argc, char** argv, RequestOptions& options, std::string& error) {
    const platform::CliProgram program = request_program(options);
    const platform::CliParse parse = platform::parse_command_line(program, argc, argv);
    switch (parse.outcome) {
        case platform::CliOutcome::run:
            return OptionsResult::ok;
        case platform::CliOutcome::help:
            return OptionsResult::help;
        case platform::CliOutcome::version:
            error = program.name + " " + program.version;
            return OptionsResult::version;
        case platform::CliOutcome::error:
            break;
    }
    error = parse.error;
    return OptionsResult::error;
}

}  // namespace tools
