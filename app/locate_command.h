#pragma once
// `cone-locator locate`: a request's recognition run on two saved pictures instead of the cameras.

#include <string>
#include <vector>

#include "platform/command_line.h"

namespace app {

struct LocateArgs {
    std::string left, right;  // the pictures, 320 x 240 colour
    std::string request;      // empty: the work directory's request file
    std::string colors;       // empty: the work directory's colour table
    std::string report;       // empty: console only
    std::string annotate;     // empty: no annotated picture
    bool help = false;
};

// The command's entry in the program's table; its options write into `out`.
platform::CliCommand locate_cli_command(LocateArgs& out);

// Parses the words after `locate`. False with a one-line message on a bad or missing option.
bool parse_locate_args(const std::vector<std::string>& args, LocateArgs& out, std::string& error);

// Runs the command; returns the exit status: 0 done, 1 the report or the annotated picture could
// not be written, 2 bad arguments, missing files or pictures that are not 320 x 240 colour.
int run_locate_command(const LocateArgs& args);

}  // namespace app
