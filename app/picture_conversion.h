#pragma once
// Brings pictures and camera frames of any form (grey, BGR, BGRA; 8 bits or more; any size) into
// the forms the modes work on.

#include <opencv2/core/mat.hpp>
#include <string>

namespace app {

// 8-bit, 3-channel BGR version of the picture (grey is spread to three channels, alpha dropped,
// deeper pixels scaled to 0..255). False for channel counts other than 1, 3 and 4.
bool to_bgr8(const cv::Mat& picture, cv::Mat& bgr);
// 8-bit grey version of the picture at its own size; false as to_bgr8.
bool to_grey8(const cv::Mat& picture, cv::Mat& grey);
// The preview's picture: the frame in grey at its own size (grey_full), then reduced with
// nearest-neighbour interpolation to 320 x 240 (grey_small). False when the frame can't be read.
bool frame_to_grey_picture(const cv::Mat& frame, cv::Mat& grey_full, cv::Mat& grey_small);
// "W x H、Cチャンネル Dビット" for the conversion notices.
std::string picture_form(const cv::Mat& picture);

}  // namespace app
