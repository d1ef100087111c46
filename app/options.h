#pragma once
// Command-line options of cone-locator.

#include <optional>
#include <string>
#include <vector>

#include "capture/backend.h"
#include "platform/console.h"

namespace app {

struct Options {
    std::optional<std::string> work_dir;
    std::optional<platform::ConsoleEncoding> encoding;
    bool headless = false;
    capture::Backend camera = capture::Backend::v4l2;
    std::string scene_file;      // empty: the built-in scene
    int sim_stall_after = -1;    // simulated cameras stop delivering after this many frames; -1 never
    std::vector<std::string> devices;  // V4L2 nodes pinned as devices 0, 1, ...
    std::string command;         // empty: the menu; "locate", "serve"
    std::vector<std::string> command_args;
};

enum class ParseResult { ok, help, error };

// Parses argv; on error `error` holds a one-line message.
ParseResult parse_options(int argc, char** argv, Options& options, std::string& error);
std::string usage_text();

}  // namespace app
