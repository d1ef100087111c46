#include "recog/stereo_matching.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace recog {

namespace {

// The right camera sits 8 rows higher: right row y shows what the left camera has at row y + 8.
constexpr double kRowOffset = 8.0;
// A left centre may lie at most this many columns right of the right centre.
constexpr int kMaxLeftOfRight = 16;
constexpr int kMaxRowDifference = 24;

// Smaller over larger; 0 when the left extent is 0.
double size_ratio(int left, int right) {
    if (right > left) return static_cast<double>(left) / right;
    if (left == 0) return 0.0;
    return static_cast<double>(right) / left;
}

}  // namespace

double stereo_rating(const AreaInfo& l, const AreaInfo& r) {
    // Whole-pixel centres convert exactly: the gate and dy come out as in integer arithmetic.
    return stereo_rating(l, r, l.cog_x, l.cog_y, r.cog_x, r.cog_y);
}

double stereo_rating(const AreaInfo& l, const AreaInfo& r, double lx, double ly, double rx, double ry) {
    if (lx - rx > kMaxLeftOfRight) return 0.0;
    const int dy = static_cast<int>(std::fabs(ly - (ry + kRowOffset)));
    if (dy > kMaxRowDifference) return 0.0;

    // Counts of 0 on both sides would be 0 / 0: such a pair must never win.
    double pr = 0.0;
    if (r.pixnum < l.pixnum) {
        pr = static_cast<double>(r.pixnum) / l.pixnum;
    } else if (r.pixnum > 0) {
        pr = static_cast<double>(l.pixnum) / r.pixnum;
    }
    const double wr = size_ratio(std::abs(l.max_x - l.min_x), std::abs(r.max_x - r.min_x));
    const double hr = size_ratio(std::abs(l.max_y - l.min_y), std::abs(r.max_y - r.min_y));

    // Kept in this order of operations so the ratings (and their ties) come out bit for bit alike.
    double v = 100.0;
    const double d = dy < 2 ? 1.0 : static_cast<double>(dy);
    v = v / (d / 240.0);
    v = v * pr;
    v = (v * wr) * hr;
    return v;
}

int corn_stereo_matching(const ImageInfo* image_info, const AreaInfo* area_info_large, int* match_list) {
    return corn_stereo_matching(image_info, area_info_large, nullptr, match_list);
}

int corn_stereo_matching(const ImageInfo* image_info, const AreaInfo* area_info_large,
                         const SubpixelArea* subpixel_large, int* match_list) {
    // The lists hold 256 entries each; a count outside that range can't be trusted.
    const int left_num = std::clamp(image_info[0].area_num, 0, kMaxAreas);
    const int right_num = std::clamp(image_info[1].area_num, 0, kMaxAreas);
    const AreaInfo* right = area_info_large + kMaxAreas;
    double rating_val[kMaxAreas];

    for (int i = 0; i < left_num; ++i) {
        const AreaInfo& l = area_info_large[i];
        for (int j = 0; j < right_num; ++j) {
            if (subpixel_large) {
                const SubpixelArea& sl = subpixel_large[i];
                const SubpixelArea& sr = subpixel_large[kMaxAreas + j];
                rating_val[j] = stereo_rating(l, right[j], sl.cog_x, sl.cog_y, sr.cog_x, sr.cog_y);
            } else {
                rating_val[j] = stereo_rating(l, right[j]);
            }
        }
        double best = 0.0;
        match_list[i] = -1;
        for (int j = 0; j < right_num; ++j) {
            if (rating_val[j] > best) {
                match_list[i] = j;
                best = rating_val[j];
            }
        }
    }
    return 0;
}

}  // namespace recog
