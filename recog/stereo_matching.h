#pragma once
// Pairs every left candidate with its best-rated right candidate.

#include "recog/recog_types.h"
#include "recog/subpixel_measures.h"

namespace recog {

// How well right candidate r fits left candidate l: 24000 / max(dy, 1) scaled by the count, width
// and height ratios; 0 outside the column gate (left more than 16 right of right) or beyond dy 24.
double stereo_rating(const AreaInfo& l, const AreaInfo& r);
// The same rating with the centres given apart (sub-pixel ones in the precise mode): the column
// gate on lx - rx, dy = |ly - (ry + 8)| cut to a whole number.
double stereo_rating(const AreaInfo& l, const AreaInfo& r, double lx, double ly, double rx, double ry);

// image_info[0] left, [1] right; area_info_large holds 2 x 256 entries (left first).
// Writes match_list[0 .. left area_num - 1] (right index or -1). Returns 0.
int corn_stereo_matching(const ImageInfo* image_info, const AreaInfo* area_info_large, int* match_list);
// The same, rating with the sub-pixel centres of subpixel_large (2 x 256 entries, left first) when
// it is given.
int corn_stereo_matching(const ImageInfo* image_info, const AreaInfo* area_info_large,
                         const SubpixelArea* subpixel_large, int* match_list);

}  // namespace recog
