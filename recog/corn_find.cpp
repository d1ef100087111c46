#include "recog/corn_find.h"

#include <algorithm>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/console.h"
#include "recog/area_measure.h"
#include "recog/labeling.h"
#include "recog/shape_decision.h"
#include "recog/working_images.h"

namespace recog {

namespace {

// Working storage of one call, kept between calls (one set per thread) so that nothing is
// allocated per request.
struct FinderStorage {
    cv::Mat grey;
    cv::Mat work;
    uint8_t image_edge1[kFramePixels];
    uint8_t colour_plane[kFramePixels];  // before the filter, for the sub-pixel measures
    ImageAtt image_att;
    AreaInfo area_info[kMaxAreas];
};

FinderStorage& storage() {
    thread_local std::unique_ptr<FinderStorage> s = std::make_unique<FinderStorage>();
    return *s;
}

}  // namespace

void corn_find(files::RecogParams recog_plm, cv::Mat& image, ImageInfo* image_info, AreaInfo* area_info,
               int cam_index, SubpixelArea* subpixel, const BinaryPictureSink& binary_ready) {
    // The pipeline works on whole 320 x 240 colour frames; anything else would be read past its end.
    if (image.cols != kFrameWidth || image.rows != kFrameHeight || image.type() != CV_8UC3) {
        platform::console_printf("エラー！(corn_find)画像の大きさが %d x %d ではありません。\n", kFrameWidth,
                                 kFrameHeight);
        image_info->area_num = 0;
        return;
    }
    if (cam_index != 0 && cam_index != 1) {
        platform::console_printf("エラー！(corn_find)カメラ番号 %d は 0 か 1 でなければなりません。\n",
                                 cam_index);
        image_info->area_num = 0;
        return;
    }
    FinderStorage& s = storage();

    const int color_num = std::clamp(static_cast<int>(recog_plm.colors.color_num[cam_index]), 0, 16);
    color_binarize(image, recog_plm.colors.color_vec[cam_index], color_num, recog_plm.color_th);
    cv::cvtColor(image, s.grey, cv::COLOR_BGR2GRAY);
    if (subpixel) image_to_plane(s.grey, s.colour_plane);
    // One dilation and a double erosion of the grey image (3 x 3, default borders): black areas
    // without a full 3 x 3 block vanish, the others come back one pixel wider.
    cv::dilate(s.grey, s.work, cv::Mat());
    cv::erode(s.work, s.grey, cv::Mat(), cv::Point(-1, -1), 2);
    if (binary_ready) binary_ready(s.grey);

    image_to_plane(s.grey, s.image_edge1);
    image_info->y_start = 1;
    image_info->y_end = 239;
    plane_to_att(s.image_edge1, &s.image_att);
    label_regions(image_info, s.area_info, &s.image_att);
    get_area_info(image_info, s.area_info, &s.image_att);

    platform::console_printf("\n");
    platform::console_printf("\n corn_find \n");
    int count = 0;
    for (int id = 0; id < image_info->area_num; ++id) {
        const AreaInfo& region = s.area_info[id];
        const int pixnum = region.pixnum;
        if (!(recog_plm.min_pixnum < pixnum && pixnum < recog_plm.max_pixnum)) continue;
        platform::console_printf("id:%4d, pixnum:%6d, cog_x:%4d, cog_y:%4d \n", id, pixnum, region.cog_x,
                                 region.cog_y);
        AreaInfo& candidate = area_info[count];
        candidate.id = id;
        candidate.pixnum = pixnum;
        candidate.cog_x = region.cog_x;
        candidate.cog_y = region.cog_y;
        candidate.min_x = region.min_x;
        candidate.min_y = region.min_y;
        candidate.max_x = region.max_x;
        candidate.max_y = region.max_y;
        candidate.left_x = region.left_x;
        candidate.left_y = region.left_y;
        candidate.top_x = region.top_x;
        candidate.top_y = region.top_y;
        candidate.right_x = region.right_x;
        candidate.right_y = region.right_y;
        candidate.bottom_x = region.bottom_x;
        candidate.bottom_y = region.bottom_y;
        candidate.axis_x1 = region.axis_x1;
        candidate.axis_y1 = region.axis_y1;
        candidate.axis_x2 = region.axis_x2;
        candidate.axis_y2 = region.axis_y2;
        ++count;
    }
    image_info->area_num = count;
    decide_area_shape(image_info, area_info, &s.image_att);
    if (subpixel)
        measure_subpixel_areas(s.colour_plane, image_info, &s.image_att, area_info, count, subpixel);
}

}  // namespace recog
