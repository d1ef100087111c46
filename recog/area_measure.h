#pragma once
// Measures of every labeled region (count, median centre, box, extreme pixels, main axis) and the
// printed region table.

#include "recog/recog_types.h"

namespace recog {

void get_area_info(ImageInfo* image_info, AreaInfo* area_info, ImageAtt* image_att);

}  // namespace recog
