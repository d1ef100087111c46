#include "app/stereo_recognition.h"

#include <memory>
#include <opencv2/core/mat.hpp>

#include "files/request_file.h"
#include "recog/corn_find.h"
#include "recog/location_report.h"
#include "recog/stereo_matching.h"

namespace app {

StereoRecognitionResult run_stereo_recognition(RecogParams* recog_plm, cv::Mat& image1, cv::Mat& image2,
                                               ImageInfo* image_info, AreaInfo* area_info_large,
                                               int* match_list, const StereoRecognitionPaths& paths,
                                               SubpixelArea* subpixel_large) {
    fio_read_recog_plm(recog_plm, paths.color_table, paths.request, kReadColorAndRequest);
    StereoRecognitionResult result;
    result.subpixel = recog_plm->precision == Precision::subpixel;
    std::unique_ptr<SubpixelArea[]> own;
    if (result.subpixel && !subpixel_large) {
        own = std::make_unique<SubpixelArea[]>(2 * kMaxAreas);
        subpixel_large = own.get();
    }
    SubpixelArea* subpixel = result.subpixel ? subpixel_large : nullptr;
    // Left first: the console shows the two finder tables in that order.
    corn_find(*recog_plm, image1, &image_info[0], &area_info_large[0], paths.left_bin, 0, subpixel);
    corn_find(*recog_plm, image2, &image_info[1], &area_info_large[kMaxAreas], paths.right_bin, 1,
              subpixel ? subpixel + kMaxAreas : nullptr);
    corn_stereo_matching(image_info, area_info_large, subpixel, match_list);
    result.reported =
        corn_get_location(image_info, area_info_large, subpixel, match_list, paths.report,
                                        &result.report_ok, &result.report_failure);
    return result;
}

}  // namespace app
