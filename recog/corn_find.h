#pragma once
// The cone finder: one colour frame and the request's parameters give the frame's cone candidates.

#include <functional>
#include <opencv2/core/mat.hpp>

#include "files/recog_params.h"
#include "recog/recog_types.h"
#include "recog/subpixel_measures.h"

namespace recog {

// Receives the filtered binary picture (320 x 240, one byte a pixel, cone pixels black) as soon as
// it is made, before the candidates are labelled and printed: the caller saves it.
using BinaryPictureSink = std::function<void(const cv::Mat& binary)>;

// Binarizes image (320 x 240 BGR) in place, hands the filtered binary picture to binary_ready
// (when set), and fills image_info (area_num = candidate count) and the 256 candidate entries.
// With subpixel set also the sub-pixel measures of each candidate (256 entries, in the order of
// area_info); console output, picture and candidates stay the same.
void corn_find(files::RecogParams recog_plm, cv::Mat& image, ImageInfo* image_info, AreaInfo* area_info,
               int cam_index, SubpixelArea* subpixel = nullptr, const BinaryPictureSink& binary_ready = {});

}  // namespace recog
