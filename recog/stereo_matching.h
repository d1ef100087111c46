#pragma once
// Pairs every left candidate with its best-rated right candidate.

#include "recog/recog_types.h"

// How well right candidate r fits left candidate l: 24000 / max(dy, 1) scaled by the count, width
// and height ratios; 0 outside the column gate (left more than 16 right of right) or beyond dy 24.
double stereo_rating(const AreaInfo& l, const AreaInfo& r);

// image_info[0] left, [1] right; area_info_large holds 2 x 256 entries (left first).
// Writes match_list[0 .. left area_num - 1] (right index or -1). Returns 0.
int corn_stereo_matching(const ImageInfo* image_info, const AreaInfo* area_info_large, int* match_list);
