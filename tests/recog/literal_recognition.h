#pragma once
// Word-for-word versions of the colour test, the labeling and the area measures: slow (the
// labeling rewrites the window at every merge), unbounded in regions, and kept only here to check
// the fast code against them.

#include <cstdint>
#include <string>
#include <vector>

#include "recog/recog_types.h"

namespace literal {

// True when the pixel (red, green, blue) matches one of the n reference colours under th.
bool color_matches(int red, int green, int blue, const float (*ref_colors)[3], int n, float th);
// The same with reference colours and threshold in double precision.
bool color_matches(int red, int green, int blue, const double (*ref_colors)[3], int n, double th);

// Labels rows r0..r1-1 (0 <= r0, r1 <= 240) with the three stages and the plane rewrite at every
// merge. entries grows with every provisional label; returns the final region count.
int label_regions(int r0, int r1, recog::ImageAtt* att, std::vector<recog::AreaInfo>& entries);

// The measures over entries 0..count-1 (entries may hold more than 256) in rows r0+1..r1-1
// (-1 <= r0, r1 <= 240); returns the text printed. Pixels whose label is not one of 0..count-1
// (-1, or a label the list does not have) belong to no region.
std::string get_area_info(int r0, int r1, int count, recog::AreaInfo* entries, const recog::ImageAtt* att);

}  // namespace literal
