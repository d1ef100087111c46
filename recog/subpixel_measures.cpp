#include "recog/subpixel_measures.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <utility>
#include <vector>

namespace recog {

namespace {

constexpr int W = kFrameWidth;

// Sums over a set of pixels; integer, so the means do not depend on the order of adding.
struct PixelSums {
    int64_t sum_x = 0;
    int64_t sum_y = 0;
    int32_t count = 0;
    int32_t min_x = W, min_y = kFrameHeight, max_x = -1, max_y = -1;

    void add(int x, int y) {
        sum_x += x;
        sum_y += y;
        ++count;
        min_x = std::min(min_x, x);
        max_x = std::max(max_x, x);
        min_y = std::min(min_y, y);
        max_y = std::max(max_y, y);
    }
    void add(const PixelSums& o) {
        sum_x += o.sum_x;
        sum_y += o.sum_y;
        count += o.count;
        min_x = std::min(min_x, o.min_x);
        max_x = std::max(max_x, o.max_x);
        min_y = std::min(min_y, o.min_y);
        max_y = std::max(max_y, o.max_y);
    }
};

// A group of colour-classified pixels and the region it goes with.
struct Group {
    PixelSums pixels;
    int32_t owner = -1;   // region number, -1: overlaps none
    bool shared = false;  // overlaps more than one region
};

// Working storage kept between calls (one set per thread).
struct SubpixelWork {
    cv::Mat mask;
    cv::Mat groups;
    std::vector<Group> group;
    PixelSums region[kMaxAreas];
};

SubpixelWork& subpixel_work() {
    thread_local std::unique_ptr<SubpixelWork> work = std::make_unique<SubpixelWork>();
    return *work;
}

}  // namespace

void measure_subpixel_areas(const uint8_t* colour_plane, const ImageInfo* image_info,
                            const ImageAtt* image_att, const AreaInfo* candidates, int count,
                            SubpixelArea* out) {
    SubpixelWork& s = subpixel_work();
    const cv::Mat plane(kFrameHeight, W, CV_8UC1, const_cast<uint8_t*>(colour_plane));
    cv::compare(plane, 0, s.mask, cv::CMP_EQ);
    const int group_count = cv::connectedComponents(s.mask, s.groups, 8, CV_32S);
    s.group.assign(static_cast<size_t>(group_count), Group{});
    const int32_t* group_of = s.groups.ptr<int32_t>(0);  // continuous: created by OpenCV
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < W; ++x) {
            const int32_t g = group_of[y * W + x];
            if (g > 0) s.group[g].pixels.add(x, y);
        }
    }

    // Which region each group overlaps, within the window the regions were measured in.
    const int y0 = std::max(image_info->y_start + 1, 0);
    const int y1 = std::min(image_info->y_end - 1, kFrameHeight - 1);
    bool any_shared = false;
    for (int y = y0; y <= y1; ++y) {
        for (int x = 1; x <= W - 2; ++x) {
            const int k = y * W + x;
            const int32_t region = image_att->label[k];
            const int32_t g = group_of[k];
            if (region < 0 || region >= kMaxAreas || g <= 0) continue;
            Group& group = s.group[g];
            if (group.owner < 0) {
                group.owner = region;
            } else if (group.owner != region) {
                group.shared = any_shared = true;
            }
        }
    }
    if (any_shared) {
        // Rare (the filter split a group, or two cones touch): the region with the most overlap.
        std::map<std::pair<int32_t, int32_t>, int> overlap;  // (group, region) -> pixels
        for (int y = y0; y <= y1; ++y) {
            for (int x = 1; x <= W - 2; ++x) {
                const int k = y * W + x;
                const int32_t region = image_att->label[k];
                const int32_t g = group_of[k];
                if (region >= 0 && region < kMaxAreas && g > 0 && s.group[g].shared) ++overlap[{g, region}];
            }
        }
        int best = 0;
        int32_t last_group = -1;
        for (const auto& [key, pixels] : overlap) {  // by group, then by region upward
            if (key.first != last_group || pixels > best) {
                s.group[key.first].owner = key.second;
                best = pixels;
                last_group = key.first;
            }
        }
    }

    std::fill(std::begin(s.region), std::end(s.region), PixelSums{});
    for (const Group& group : s.group) {
        if (group.owner >= 0) s.region[group.owner].add(group.pixels);
    }
    for (int i = 0; i < count; ++i) {
        const AreaInfo& a = candidates[i];
        SubpixelArea& m = out[i];
        const PixelSums* p = a.id >= 0 && a.id < kMaxAreas ? &s.region[a.id] : nullptr;
        if (p && p->count > 0) {
            m.cog_x = static_cast<double>(p->sum_x) / p->count;
            m.cog_y = static_cast<double>(p->sum_y) / p->count;
            m.width = p->max_x - p->min_x + 1;
            m.height = p->max_y - p->min_y + 1;
            m.pixnum = p->count;
        } else {
            m.cog_x = a.cog_x;
            m.cog_y = a.cog_y;
            m.width = std::abs(a.max_x - a.min_x);
            m.height = std::abs(a.max_y - a.min_y);
            m.pixnum = 0;
        }
    }
}

}  // namespace recog
