#include "app/stereo_recognition.h"

#include <memory>
#include <opencv2/core/mat.hpp>

#include "app/location_report_file.h"
#include "app/picture_files.h"
#include "files/request_file.h"
#include "recog/corn_find.h"
#include "recog/stereo_matching.h"

namespace app {

StereoRecognitionResult run_stereo_recognition(files::RecogParams* recog_plm, cv::Mat& image1,
                                               cv::Mat& image2, recog::ImageInfo* image_info,
                                               recog::AreaInfo* area_info_large, int* match_list,
                                               const StereoRecognitionPaths& paths,
                                               recog::SubpixelArea* subpixel_large) {
    files::fio_read_recog_plm(recog_plm, paths.color_table, paths.request,
                              files::ParamSources::color_and_request);
    StereoRecognitionResult result;
    result.subpixel = recog_plm->precision == files::Precision::subpixel;
    std::unique_ptr<recog::SubpixelArea[]> own;
    if (result.subpixel && !subpixel_large) {
        own = std::make_unique<recog::SubpixelArea[]>(2 * recog::kMaxAreas);
        subpixel_large = own.get();
    }
    recog::SubpixelArea* subpixel = result.subpixel ? subpixel_large : nullptr;
    // The binary pictures are for the operator only: a failure is named and the request goes on.
    const auto save_to = [](const std::string& path) {
        return [&path](const cv::Mat& binary) { save_picture(path, binary, "corn_find"); };
    };
    // Left first: the console shows the two finder tables in that order.
    recog::corn_find(*recog_plm, image1, &image_info[0], &area_info_large[0], 0, subpixel,
                     save_to(paths.left_bin));
    recog::corn_find(*recog_plm, image2, &image_info[1], &area_info_large[recog::kMaxAreas], 1,
                     subpixel ? subpixel + recog::kMaxAreas : nullptr, save_to(paths.right_bin));
    recog::corn_stereo_matching(image_info, area_info_large, subpixel, match_list);
    result.reported = report_locations(image_info, area_info_large, subpixel, match_list, paths.report,
                                       &result.report_ok, &result.report_failure);
    return result;
}

}  // namespace app
