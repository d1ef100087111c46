#pragma once
// `cone-locator tune`: the colour table made from cones the user points at in a left and a right
// picture, with boxes given on the command line or dragged with the mouse.

#include <string>
#include <vector>

#include "platform/command_line.h"
#include "recog/color_tuning.h"

namespace app {

struct TuneArgs {
    std::string left, right;            // empty: the pictures of the last request
    std::vector<std::string> box_left;  // "x,y,w,h" as given
    std::vector<std::string> box_right;
    bool write = false;   // write the table (without a display; the window's key decides there)
    bool append = false;  // keep the table's colours and add to them
    std::string mask;     // empty: no mask picture
    bool help = false;
};

// The command's entry in the program's table; its options write into `out`.
platform::CliCommand tune_cli_command(TuneArgs& out);
// Parses the words after `tune`. False with a one-line message on a bad option or a box that is not
// four whole numbers.
bool parse_tune_args(const std::vector<std::string>& args, TuneArgs& out, std::string& error);

// "x,y,w,h" with four whole numbers; false for anything else.
bool parse_box(const std::string& text, recog::PixelBox& box);
// Empty when the box is not empty and lies inside a picture of that size, else what is wrong.
std::string box_problem(const recog::PixelBox& box, int width, int height);

// Runs the command; returns the exit status: 0 done, 1 the table or the mask could not be written
// or no colour stands out of a picture's boxes, 2 bad arguments, pictures or boxes.
int run_tune_command(const TuneArgs& args);

}  // namespace app
