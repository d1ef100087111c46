#include "app/locate_command.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include "app/picture_files.h"
#include "app/stereo_annotation.h"
#include "app/stereo_recognition.h"
#include "files/protocol_files.h"
#include "files/recog_params.h"
#include "platform/console.h"
#include "platform/input_file.h"
#include "platform/output_file.h"
#include "platform/picture_file.h"
#include "platform/work_dir.h"

namespace app {
namespace {

// Loads one of the two pictures; false with a message when it is missing, unreadable or not of the
// form the cameras deliver.
bool load_camera_picture(const std::string& path, cv::Mat& picture, std::string& error) {
    platform::InputError problem;
    if (!platform::read_picture(path, picture, problem)) {
        error = platform::input_problem_text(path, problem);
        return false;
    }
    return is_camera_picture(path, picture, error);
}

int fail(const std::string& message, int status) {
    platform::console_error_printf("cone-locator locate: %s\n", message.c_str());
    return status;
}

}  // namespace

platform::CliCommand locate_cli_command(LocateArgs& out) {
    auto file = [&out](const char* name, std::string LocateArgs::*field, const char* help) {
        return platform::CliOption{name, "FILE", help,
                                   [&out, field](const std::string& v, std::string&) {
                                       out.*field = v;
                                       return true;
                                   },
                                   "a file name"};
    };
    platform::CliCommand c;
    c.name = "locate";
    c.usage =
        "locate --left L.bmp --right R.bmp [--request F]\n"
        "  [--colors F] [--report F] [--annotate OUT.png]";
    c.summary = "a request's recognition on two saved pictures";
    c.description =
        "Runs a request's recognition on two saved 320 x 240 colour pictures, left and right,\n"
        "and prints what the service prints. The parameters come from the request file and the\n"
        "colours from the colour table (default: those of the work directory); the binary\n"
        "pictures go to the work directory. --report writes the report file there, --annotate\n"
        "draws both pictures side by side with the candidates, pairings and distances.\n"
        "An earlier report or annotated picture is removed first: what stands there afterwards\n"
        "was written completely by this run.\n"
        "Exit status: 0 done, 1 a file could not be written, 2 bad arguments or input files.\n";
    c.options = {
        file("--left", &LocateArgs::left, "the left camera's picture"),
        file("--right", &LocateArgs::right, "the right camera's picture"),
        file("--request", &LocateArgs::request,
             "request file with the parameters (default: the\nwork directory's)"),
        file("--colors", &LocateArgs::colors, "colour table (default: the work directory's)"),
        file("--report", &LocateArgs::report, "writes the report file there (default: none)"),
        file("--annotate", &LocateArgs::annotate,
             "draws the candidates, pairings and distances into this\npicture (.png, .bmp, .jpg)"),
    };
    return c;
}

namespace {

const char* const kBothPictures = "both --left and --right pictures are needed";

}  // namespace

bool parse_locate_args(const std::vector<std::string>& args, LocateArgs& out, std::string& error) {
    out = LocateArgs{};
    if (!platform::parse_command_args("cone-locator", locate_cli_command(out), args, out.help, error))
        return false;
    if (out.help) return true;
    if (out.left.empty() || out.right.empty()) {
        error = kBothPictures;
        return false;
    }
    return true;
}

namespace {

int locate(const LocateArgs& a) {
    std::string error;
    if (a.left.empty() || a.right.empty()) {
        return fail(std::string(kBothPictures) + "; see cone-locator locate --help", 2);
    }
    // Outputs of an earlier run go first: whatever stands there afterwards is this run's, complete.
    for (const std::string* output : {&a.report, &a.annotate}) {
        if (!output->empty() && !platform::remove_output_file(*output)) {
            return fail(*output + ": the earlier file could not be removed: " + std::strerror(errno), 1);
        }
    }
    // Files named on the command line must be readable; the work directory's are optional, as for
    // the service, which then says it could not open them and carries on.
    for (const std::string* named : {&a.request, &a.colors}) {
        std::string bytes;
        platform::InputError problem;
        if (!named->empty() &&
            !platform::read_input_file(*named, platform::kParameterFileLimit, bytes, problem)) {
            return fail(platform::input_problem_text(*named, problem), 2);
        }
    }
    if (!a.annotate.empty() && !can_write_picture(a.annotate)) {
        return fail(a.annotate + ": no picture format for this file name (use .png, .bmp, .jpg)", 2);
    }

    cv::Mat image1, image2;
    if (!load_camera_picture(a.left, image1, error)) return fail(error, 2);
    if (!load_camera_picture(a.right, image2, error)) return fail(error, 2);
    // The finder binarizes in place; the annotation shows what the cameras saw.
    cv::Mat left_seen, right_seen;
    if (!a.annotate.empty()) {
        left_seen = image1.clone();
        right_seen = image2.clone();
    }

    files::RecogParams recog_plm = files::initial_recog_params();
    recog::ImageInfo image_info[2]{};
    auto area_info_large = std::make_unique<recog::AreaInfo[]>(2 * recog::kMaxAreas);
    auto match_list = std::make_unique<int[]>(recog::kMaxAreas);
    std::fill_n(match_list.get(), recog::kMaxAreas, -1);
    auto subpixel_large = std::make_unique<recog::SubpixelArea[]>(2 * recog::kMaxAreas);

    StereoRecognitionPaths paths;
    paths.color_table = a.colors.empty() ? files::color_table_path() : a.colors;
    paths.request = a.request.empty() ? files::request_path() : a.request;
    paths.left_bin = files::left_bin_path();
    paths.right_bin = files::right_bin_path();
    paths.report = a.report;
    const StereoRecognitionResult result =
        run_stereo_recognition(&recog_plm, image1, image2, image_info, area_info_large.get(),
                               match_list.get(), paths, subpixel_large.get());
    platform::console_flush();

    int status = 0;
    if (!result.report_ok) {
        status = fail(a.report + ": the report could not be written: " + result.report_failure, 1);
    }
    if (!a.annotate.empty()) {
        const cv::Mat picture =
            annotate_stereo_pair(left_seen, right_seen, image_info, area_info_large.get(), match_list.get(),
                                 result.subpixel ? subpixel_large.get() : nullptr);
        if (std::string reason; !save_picture(a.annotate, picture, reason)) {
            status = fail(a.annotate + ": the annotated picture could not be written: " + reason, 1);
        }
    }
    return status;
}

}  // namespace

int run_locate_command(const LocateArgs& args) {
    try {
        return locate(args);
    } catch (const std::exception& e) {
        return fail(std::string("stopped: ") + e.what(), 1);
    }
}

}  // namespace app
