#pragma once
// One request's recognition over a left/right picture pair: parameters, cone finder on both sides,
// pairing and report. The stereo service and the offline locate command both run it.

#include <string>

#include "files/recog_params.h"
#include "recog/recog_types.h"
#include "recog/subpixel_measures.h"

namespace cv {
class Mat;
}

namespace app {

// The files one run reads and writes.
struct StereoRecognitionPaths {
    std::string color_table;  // reference colours, re-read every run
    std::string request;      // the request's parameters
    std::string left_bin;     // the finder's binary pictures
    std::string right_bin;
    std::string report;  // empty: console only
};

struct StereoRecognitionResult {
    int reported = 0;       // objects reported
    bool report_ok = true;  // false when the report file could not be written completely
    std::string report_failure;  // why not
    bool subpixel = false;  // the request asked for the precise mode
};

// Updates recog_plm from the colour table and the request, finds the candidates of image1 (left,
// camera 0) and image2 (right, camera 1) -- both 320 x 240 BGR, binarized in place -- into
// image_info[2], area_info_large[2 x 256] and match_list[256], and reports the located objects.
// When the request asks for the precise mode, the pairing and the location use the sub-pixel
// measures, kept in subpixel_large[2 x 256] when it is given.
StereoRecognitionResult run_stereo_recognition(files::RecogParams* recog_plm, cv::Mat& image1,
                                               cv::Mat& image2, recog::ImageInfo* image_info,
                                               recog::AreaInfo* area_info_large, int* match_list,
                                               const StereoRecognitionPaths& paths,
                                               recog::SubpixelArea* subpixel_large = nullptr);

}  // namespace app
