#pragma once
// Picture files: read through the input-file rules and decoded from memory, encoded in memory and
// written as an output file, so the image library never opens a file itself (it would block on a
// FIFO and write pictures in place).

#include <opencv2/core/mat.hpp>
#include <string>

#include "platform/input_file.h"

namespace platform {

// The picture as stored (any depth, any colour). False with the problem: those of the input
// files, or not_a_picture when the bytes are no picture of a known form (or one cut short).
bool read_picture(const std::string& path, cv::Mat& picture, InputError& error);

// Encodes the picture in the form the file name asks for (.bmp, .png, ...) and writes it. False
// with the reason; the file is then as it was.
bool write_picture(const std::string& path, const cv::Mat& picture, std::string& reason);

// The image library prints errors only; its warnings would reach the console beside ours.
void quiet_image_library_log();

}  // namespace platform
