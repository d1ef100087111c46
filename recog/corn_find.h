#pragma once
// The cone finder: one colour frame and the request's parameters give the frame's cone candidates.

#include <string>

#include "files/recog_params.h"
#include "recog/recog_types.h"
#include "recog/subpixel_measures.h"

namespace cv {
class Mat;
}

namespace recog {

// Binarizes image (320 x 240 BGR) in place, saves the filtered binary picture to bin_path, and
// fills image_info (area_num = candidate count) and the 256 candidate entries.
void corn_find(files::RecogParams recog_plm, cv::Mat& image, ImageInfo* image_info, AreaInfo* area_info,
               const std::string& bin_path, int cam_index);
// The same, and with subpixel set also the sub-pixel measures of each candidate (256 entries, in
// the order of area_info). Console output, picture and candidates are those of the call above.
void corn_find(files::RecogParams recog_plm, cv::Mat& image, ImageInfo* image_info, AreaInfo* area_info,
               const std::string& bin_path, int cam_index, SubpixelArea* subpixel);

}  // namespace recog
