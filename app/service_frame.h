#pragma once
// A stereo camera's frame as the service's picture: upright, 320 x 240, BGR.

#include <cstdint>
#include <opencv2/core/mat.hpp>

namespace app {

// Turns a delivered frame (width x height pixels of 24-bit BGR, rows bottom-up, no gaps) into
// image (320 x 240, CV_8UC3, row 0 at the top), reduced or enlarged with nearest-neighbour
// interpolation when the camera gave another size. False, image untouched, without a frame.
bool frame_to_upright_image(const uint8_t* frame, int width, int height, cv::Mat& image);

}  // namespace app
