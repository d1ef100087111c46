#pragma once
// Command-line options of cone-request.

#include <optional>
#include <string>
#include <vector>

#include "files/request_params.h"
#include "platform/console.h"

namespace tools {

struct RequestOptions {
    std::optional<std::string> work_dir;  // unset: $RIVIVOVI_WORK_DIR, else $HOME/Rivivovi/work/
    std::optional<platform::ConsoleEncoding> encoding;
    std::vector<files::RequestParam> params;  // only these lines go into the request
    double timeout_seconds = 10.0;
    bool json = false;
    bool force = false;  // remove a notify file left from an earlier answer
};

enum class OptionsResult { ok, help, version, error };

// Parses argv; on error `error` holds the one line to print, for version the version line.
OptionsResult parse_request_options(int argc, char** argv, RequestOptions& options, std::string& error);
std::string request_usage_text();

}  // namespace tools
