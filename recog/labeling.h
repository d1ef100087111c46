#pragma once
// Region labeling of a binarized frame (0 = foreground), 8-connected, regions numbered in raster
// order of their first pixel.

#include <cstdint>

#include "recog/recog_types.h"

namespace recog {

// Labels the regions inside the work window of image_info; sets area_num and entries
// 0..area_num-1 (id = new_id = index, pix_value = 0). The label plane must be all -1 on entry.
void label_regions(ImageInfo* image_info, AreaInfo* area_info, ImageAtt* image_att);
// Within rows y_start+1..y_end-1 and columns 1..318, every label equal to key becomes value.
void replace_label(const ImageInfo* window, int32_t key, int32_t value, ImageAtt* image_att);
// 255 where a pixel's region has more than min_size pixels, 0 everywhere else.
void mask_by_size(const AreaInfo* area_info, const ImageAtt* image_att, uint8_t* plane, int min_size);

}  // namespace recog
