#pragma once
// Reading and writing the pictures of the work directory, and the line that names a picture
// that could not be written.

#include <opencv2/core/mat.hpp>
#include <string>

#include "platform/input_file.h"

namespace app {

// Loads the picture as stored (any depth, any colour). False with the problem when it is
// missing, not a regular file, unreadable or no picture.
bool load_picture(const std::string& path, cv::Mat& picture, platform::InputError& error);
// Saves the picture whole, in the form the file name asks for. False with the reason; the file
// is then as it was.
bool save_picture(const std::string& path, const cv::Mat& picture, std::string& reason);
// The same, and a failure is named in one line on behalf of `who` (a function name).
bool save_picture(const std::string& path, const cv::Mat& picture, const char* who);

// True when the picture has the cameras' form (8-bit colour, 320 x 240); else false with a
// message naming the path.
bool is_camera_picture(const std::string& path, const cv::Mat& picture, std::string& error);
// Whether a picture can be stored under this file name (its extension names a known form).
bool can_write_picture(const std::string& path);

// "エラー！ファイル名：PATHに書き込めません（REASON）．(WHO)", the line of every output that could not
// be written.
void print_write_failure(const std::string& path, const std::string& reason, const char* who);

}  // namespace app
