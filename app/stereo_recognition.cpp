#include "app/stereo_recognition.h"

#include <memory>
#include <opencv2/core/mat.hpp>

#include "files/request_file.h"
#include "recog/corn_find.h"
#include "recog/location_report.h"
#include "recog/stereo_matching.h"

namespace app {

StereoRecognitionResult run_stereo_recognition(files::RecogParams* recog_plm, cv::Mat& image1,
                                               cv::Mat& image2, recog::ImageInfo* image_info,
                                               recog::AreaInfo* area_info_large, int* match_list,
                                               const StereoRecognitionPaths& paths,
                                               recog::SubpixelArea* subpixel_large) {
    files::fio_read_recog_plm(recog_plm, paths.color_table, paths.request, files::ParamSources::color_and_request);
    StereoRecognitionResult result;
    result.subpixel = recog_plm->precision == files::Precision::subpixel;
    std::unique_ptr<recog::SubpixelArea[]> own;
    if (result.subpixel && !subpixel_large) {
        own = std::make_unique<recog::SubpixelArea[]>(2 * recog::kMaxAreas);
        subpixel_large = own.get();
    }
    recog::SubpixelArea* subpixel = result.subpixel ? subpixel_large : nullptr;
    // Left first: the console shows the two finder tables in that order.
    recog::corn_find(*recog_plm, image1, &image_info[0], &area_info_large[0], paths.left_bin, 0, subpixel);
    recog::corn_find(*recog_plm, image2, &image_info[1], &area_info_large[recog::kMaxAreas], paths.right_bin,
                     1, subpixel ? subpixel + recog::kMaxAreas : nullptr);
    recog::corn_stereo_matching(image_info, area_info_large, subpixel, match_list);
    result.reported = recog::corn_get_location(image_info, area_info_large, subpixel, match_list,
                                               paths.report, &result.report_ok, &result.report_failure);
    return result;
}

}  // namespace app
