#pragma once
// Shape decision of the cone candidates: direction of the long axis, extents, aspect and fill
// ratios, line thickness, shape code and the landmark test, stored per candidate and printed.

#include <cstdint>

#include "recog/recog_types.h"

namespace recog {

// The aligned work image. An area turned onto its long axis can reach past 320 x 240 (its extents
// are bounded by the frame diagonal, 400 pixels), so the image is 400 x 400, row-major with a
// stride of kShapeWorkWidth; 255 = empty, 0 = a pixel of the area.
inline constexpr int kShapeWorkWidth = 400;
inline constexpr int kShapeWorkHeight = 400;
// Areas of this many pixels or more are not analysed (the point store holds 16384 points).
inline constexpr int kShapePixnumLimit = 16383;
// Below this many pixels an area gets no shape code and no landmark test.
inline constexpr int kShapeMinPixnum = 70;

// Describes entries 0..area_num-1 of area_info from their pixels (label == id) in image_att and
// prints the shape table. Returns image_info.
ImageInfo* decide_area_shape(ImageInfo* image_info, AreaInfo* area_info, const ImageAtt* image_att);

// Sets area->shape from its stored measures and prints the landmark line when the aligned work
// image shows the pattern. box_i: smallest column, smallest row, largest column, largest row of
// the drawn pixels; work_cog: the area's centre (column, row) in the work image.
void decide_landmark(AreaInfo* area, const uint8_t* image_work, const int box_i[4], const int work_cog[2]);

}  // namespace recog
