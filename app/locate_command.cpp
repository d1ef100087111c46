#include "app/locate_command.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include "app/stereo_annotation.h"
#include "app/stereo_recognition.h"
#include "files/recog_params.h"
#include "platform/console.h"
#include "platform/file_ops.h"
#include "platform/work_dir.h"

namespace app {
namespace {

// Loads one of the two pictures; false with a message when it is missing, unreadable or not of the
// form the cameras deliver.
bool load_camera_picture(const std::string& path, cv::Mat& picture, std::string& error) {
    if (!platform::file_exists(path)) {
        error = path + ": no such file";
        return false;
    }
    try {
        picture = cv::imread(path, cv::IMREAD_ANYDEPTH | cv::IMREAD_ANYCOLOR);
    } catch (const cv::Exception&) {
        picture.release();
    }
    if (picture.empty()) {
        error = path + ": not a picture that can be read";
        return false;
    }
    if (picture.depth() != CV_8U || picture.channels() != 3) {
        error = path + ": not an 8-bit colour picture";
        return false;
    }
    if (picture.cols != kFrameWidth || picture.rows != kFrameHeight) {
        error = path + ": " + std::to_string(picture.cols) + " x " + std::to_string(picture.rows) +
                " pixels, the cameras' pictures are 320 x 240";
        return false;
    }
    return true;
}

bool can_write_picture(const std::string& path) {
    try {
        return cv::haveImageWriter(path);
    } catch (const cv::Exception&) {
        return false;
    }
}

bool write_picture(const std::string& path, const cv::Mat& picture) {
    try {
        return cv::imwrite(path, picture);
    } catch (const cv::Exception&) {
        return false;
    }
}

int fail(const std::string& message, int status) {
    platform::console_error_printf("cone-locator locate: %s\n", message.c_str());
    return status;
}

}  // namespace

std::string locate_usage_text() {
    return "Usage: cone-locator [OPTIONS] locate --left L.bmp --right R.bmp [--request F]\n"
           "                    [--colors F] [--report F] [--annotate OUT.png]\n"
           "\n"
           "Runs a request's recognition on two saved 320 x 240 colour pictures, left and right,\n"
           "and prints what the service prints. The parameters come from the request file and the\n"
           "colours from the colour table (default: those of the work directory); the binary\n"
           "pictures go to the work directory. --report writes the report file there, --annotate\n"
           "draws both pictures side by side with the candidates, pairings and distances.\n"
           "Exit status: 0 done, 1 a file could not be written, 2 bad arguments or pictures.\n";
}

bool parse_locate_args(const std::vector<std::string>& args, LocateArgs& out, std::string& error) {
    out = LocateArgs{};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            out.help = true;
            return true;
        }
        std::string* target = nullptr;
        if (arg == "--left") {
            target = &out.left;
        } else if (arg == "--right") {
            target = &out.right;
        } else if (arg == "--request") {
            target = &out.request;
        } else if (arg == "--colors") {
            target = &out.colors;
        } else if (arg == "--report") {
            target = &out.report;
        } else if (arg == "--annotate") {
            target = &out.annotate;
        } else {
            error = "unknown argument '" + arg + "'";
            return false;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            error = arg + " needs a file name";
            return false;
        }
        *target = args[++i];
    }
    if (out.left.empty() || out.right.empty()) {
        error = "both --left and --right pictures are needed";
        return false;
    }
    return true;
}

namespace {

int locate(const std::vector<std::string>& args) {
    LocateArgs a;
    std::string error;
    if (!parse_locate_args(args, a, error)) {
        platform::console_error_printf("cone-locator locate: %s\n%s", error.c_str(),
                                       locate_usage_text().c_str());
        return 2;
    }
    if (a.help) {
        platform::console_write(locate_usage_text());
        platform::console_flush();
        return 0;
    }
    // Files named on the command line must be there; the work directory's are optional, as for the
    // service, which then says it could not open them and carries on.
    for (const std::string* named : {&a.request, &a.colors}) {
        if (!named->empty() && !platform::file_exists(*named)) return fail(*named + ": no such file", 2);
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

    RecogParams recog_plm = initial_recog_params();
    ImageInfo image_info[2]{};
    auto area_info_large = std::make_unique<AreaInfo[]>(2 * kMaxAreas);
    auto match_list = std::make_unique<int[]>(kMaxAreas);
    std::fill_n(match_list.get(), kMaxAreas, -1);
    auto subpixel_large = std::make_unique<SubpixelArea[]>(2 * kMaxAreas);

    StereoRecognitionPaths paths;
    paths.color_table = a.colors.empty() ? platform::color_table_path() : a.colors;
    paths.request = a.request.empty() ? platform::request_path() : a.request;
    paths.left_bin = platform::left_bin_path();
    paths.right_bin = platform::right_bin_path();
    paths.report = a.report;
    const StereoRecognitionResult result =
        run_stereo_recognition(&recog_plm, image1, image2, image_info, area_info_large.get(),
                               match_list.get(), paths, subpixel_large.get());
    platform::console_flush();

    int status = result.report_ok ? 0 : 1;
    if (!a.annotate.empty()) {
        const cv::Mat picture =
            annotate_stereo_pair(left_seen, right_seen, image_info, area_info_large.get(), match_list.get(),
                                 result.subpixel ? subpixel_large.get() : nullptr);
        if (!write_picture(a.annotate, picture)) {
            status = fail(a.annotate + ": the annotated picture could not be written", 1);
        }
    }
    return status;
}

}  // namespace

int run_locate_command(const std::vector<std::string>& args) {
    try {
        return locate(args);
    } catch (const std::exception& e) {
        return fail(std::string("stopped: ") + e.what(), 1);
    }
}

}  // namespace app
