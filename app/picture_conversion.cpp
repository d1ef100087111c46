#include "app/picture_conversion.h"

#include <opencv2/imgproc.hpp>

#include "recog/recog_types.h"

namespace app {
namespace {

// Scales deeper pixels into 0..255; 8-bit pictures are shared, not copied.
void to_depth8(const cv::Mat& picture, cv::Mat& out) {
    switch (picture.depth()) {
        case CV_8U:
            out = picture;
            break;
        case CV_16U:
            picture.convertTo(out, CV_8U, 255.0 / 65535.0);
            break;
        case CV_32F:
        case CV_64F:  // floating-point pictures hold 0..1
            picture.convertTo(out, CV_8U, 255.0);
            break;
        default:
            picture.convertTo(out, CV_8U);  // saturated
            break;
    }
}

int bit_count(int depth) {
    switch (depth) {
        case CV_8U:
        case CV_8S:
            return 8;
        case CV_16U:
        case CV_16S:
        case CV_16F:
            return 16;
        case CV_32S:
        case CV_32F:
            return 32;
        default:
            return 64;
    }
}

}  // namespace

bool to_bgr8(const cv::Mat& picture, cv::Mat& bgr) {
    if (picture.empty()) return false;
    cv::Mat deep8;
    to_depth8(picture, deep8);
    switch (picture.channels()) {
        case 1:
            cv::cvtColor(deep8, bgr, cv::COLOR_GRAY2BGR);
            return true;
        case 3:
            bgr = deep8;
            return true;
        case 4:
            cv::cvtColor(deep8, bgr, cv::COLOR_BGRA2BGR);
            return true;
        default:
            return false;
    }
}

bool to_grey8(const cv::Mat& picture, cv::Mat& grey) {
    if (picture.empty()) return false;
    cv::Mat deep8;
    to_depth8(picture, deep8);
    switch (picture.channels()) {
        case 1:
            grey = deep8;
            return true;
        case 3:
            cv::cvtColor(deep8, grey, cv::COLOR_BGR2GRAY);
            return true;
        case 4:
            cv::cvtColor(deep8, grey, cv::COLOR_BGRA2GRAY);
            return true;
        default:
            return false;
    }
}

bool frame_to_grey_picture(const cv::Mat& frame, cv::Mat& grey_full, cv::Mat& grey_small) {
    // A 640 x 480 BGR frame takes the plain path: BGR to grey, then the nearest-neighbour halving.
    if (!to_grey8(frame, grey_full)) return false;
    cv::resize(grey_full, grey_small, cv::Size(recog::kFrameWidth, recog::kFrameHeight), 0, 0,
               cv::INTER_NEAREST);
    return true;
}

std::string picture_form(const cv::Mat& picture) {
    return std::to_string(picture.cols) + " x " + std::to_string(picture.rows) + "、" +
           std::to_string(picture.channels()) + "チャンネル " + std::to_string(bit_count(picture.depth())) +
           "ビット";
}

}  // namespace app
