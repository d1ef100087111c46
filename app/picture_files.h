#pragma once
// Reading and writing the pictures of the work directory.

#include <opencv2/core/mat.hpp>
#include <string>

namespace app {

// Loads the picture as stored (any depth, any colour). False when it is missing or unreadable.
bool load_picture(const std::string& path, cv::Mat& picture);
// Saves the picture; the format follows the file name. False when it could not be written.
bool save_picture(const std::string& path, const cv::Mat& picture);

}  // namespace app
