#pragma once
// Working representations shared by every recognition step: 320 x 240 frames, row-major
// (index = row * 320 + column), 0 = foreground in a binarized plane.

#include <cstdint>

namespace recog {

inline constexpr int kFrameWidth = 320;
inline constexpr int kFrameHeight = 240;
inline constexpr int kFramePixels = kFrameWidth * kFrameHeight;
inline constexpr int kMaxAreas = 256;

// Pixel values (plane 0) and region labels (plane 1, -1 = no label), as two consecutive planes.
struct ImageAtt {
    int32_t value[kFramePixels];
    int32_t label[kFramePixels];
};

// Work window and region count of one image.
struct ImageInfo {
    int32_t reserved0;  // not used by any step
    int32_t reserved1;  // not used by any step
    int32_t y_start;    // first row of the work window
    int32_t y_end;      // row bound of the work window
    int32_t grey_mean;  // grey-level statistics, not used by any step
    int32_t grey_min;
    int32_t grey_max;
    int32_t grey_threshold;
    int32_t area_num;  // valid entries of the accompanying AreaInfo array
};

// One region: thirty 32-bit fields in this order.
struct AreaInfo {
    int32_t cog_x;  // median column
    int32_t cog_y;  // median row
    int32_t pixnum;
    int32_t shape;
    int32_t thickness;
    int32_t col_pix_max;
    int32_t min_x;
    int32_t min_y;
    int32_t max_x;
    int32_t max_y;
    int32_t left_x;
    int32_t left_y;
    int32_t top_x;
    int32_t top_y;
    int32_t right_x;
    int32_t right_y;
    int32_t bottom_x;
    int32_t bottom_y;
    int32_t axis_x1;
    int32_t axis_y1;
    int32_t axis_x2;
    int32_t axis_y2;
    int32_t id;
    int32_t pix_value;
    int32_t new_id;
    float direction;
    float width;
    float height;
    float aspect;
    float fill_ratio;
};
static_assert(sizeof(AreaInfo) == 30 * 4);

}  // namespace recog
