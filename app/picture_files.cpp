#include "app/picture_files.h"

#include <opencv2/imgcodecs.hpp>

#include "platform/console.h"
#include "platform/picture_file.h"
#include "recog/recog_types.h"

namespace app {

bool load_picture(const std::string& path, cv::Mat& picture, platform::InputError& error) {
    return platform::read_picture(path, picture, error);
}

bool save_picture(const std::string& path, const cv::Mat& picture, std::string& reason) {
    return platform::write_picture(path, picture, reason);
}

bool save_picture(const std::string& path, const cv::Mat& picture, const char* who) {
    std::string reason;
    if (save_picture(path, picture, reason)) return true;
    print_write_failure(path, reason, who);
    return false;
}

bool is_camera_picture(const std::string& path, const cv::Mat& picture, std::string& error) {
    if (picture.depth() != CV_8U || picture.channels() != 3) {
        error = path + ": not an 8-bit colour picture";
        return false;
    }
    if (picture.cols != recog::kFrameWidth || picture.rows != recog::kFrameHeight) {
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

void print_write_failure(const std::string& path, const std::string& reason, const char* who) {
    platform::console_printf("エラー！ファイル名：%sに書き込めません（%s）．(%s)\n", path.c_str(),
                             reason.c_str(), who);
}

}  // namespace app
