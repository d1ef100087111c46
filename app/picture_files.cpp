#include "app/picture_files.h"

#include <opencv2/imgcodecs.hpp>

#include "platform/file_ops.h"

namespace app {

bool load_picture(const std::string& path, cv::Mat& picture) {
    // A missing file is the normal end of a still sequence: test it first, so the library does not
    // print a warning of its own.
    if (!platform::file_exists(path)) return false;
    try {
        picture = cv::imread(path, cv::IMREAD_ANYDEPTH | cv::IMREAD_ANYCOLOR);
    } catch (const cv::Exception&) {
        picture.release();
    }
    return !picture.empty();
}

bool save_picture(const std::string& path, const cv::Mat& picture) {
    try {
        return cv::imwrite(path, picture);
    } catch (const cv::Exception&) {
        return false;
    }
}

}  // namespace app
