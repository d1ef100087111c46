#include "recog/area_measure.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "platform/console.h"

// The measures follow the defined scans exactly, with one pass over the measured window and one
// over its labeled pixels:
// - pass 1 (row-major) updates box and extreme pixels with the same <= / >= comparisons in the
//   same order, so ties go to the last pixel in raster order as they must, and lists the labeled
//   pixels;
// - pass 2 builds, per region, a histogram of its labeled pixels over the rows and the columns of
//   its box; the rows give the pixel count. The row-major (column-major) scan that stops counting at pixnum/2 leaves the centre
//   at the row (column) where the running count first reaches pixnum/2, or at the last row
//   (column) holding a pixel if it never does; the cumulative histogram gives the same row
//   (column) without walking the plane column by column.

namespace {

constexpr int W = kFrameWidth;
constexpr int kBlock = 8;
constexpr int kLanes = 4;

struct Extent {
    int32_t pixnum;
    int32_t not_foreground;  // labeled pixels whose value is not 0
    int32_t min_x, min_y, max_x, max_y;
    int32_t left_x, left_y, top_x, top_y, right_x, right_y, bottom_x, bottom_y;
    int32_t col_base, row_base;  // histogram offsets, already shifted by min_x / min_y
};

struct MeasureWork {
    Extent extent[kMaxAreas + 1];  // the last one collects unlabeled pixels
    int32_t col_hist[kMaxAreas * W];  // over the boxes of all regions, one after the other
    // Row counts in kLanes copies, picked by column: consecutive pixels of one region then add to
    // different counters and do not wait for each other's stores.
    int32_t row_hist[kLanes][kMaxAreas * kFrameHeight];
    // The labeled pixels in raster order, for pass 2: entry and place (row << 9 | column).
    int16_t pixel_entry[kFramePixels];
    uint32_t pixel_place[kFramePixels];
};

MeasureWork& measure_work() {
    thread_local std::unique_ptr<MeasureWork> work = std::make_unique<MeasureWork>();
    return *work;
}

// Entry of a label: itself when it names one of the count regions, else the spare entry count.
// By masks: the compiler turns the plain conditional into a branch that noise mispredicts.
inline int entry_of(int32_t label, int count) {
    const int32_t valid = -static_cast<int32_t>(static_cast<uint32_t>(label) < static_cast<uint32_t>(count));
    return (label & valid) | (count & ~valid);
}

// True when no pixel of columns x0..x1-1 carries a label: such blocks (most of a frame with a few
// cones) are skipped without looking at single pixels.
inline bool unlabeled_block(const int32_t* label, int x0, int x1) {
    int32_t all = -1;
    for (int x = x0; x < x1; ++x) all &= label[x];
    return all < 0;
}

// The running count of a histogram reaches half at the returned index (or the last nonzero one).
int32_t median_index(const int32_t* hist, int32_t first, int32_t last, int32_t half) {
    int32_t at = 0;
    int32_t count = 0;
    for (int32_t i = first; i <= last; ++i) {
        if (hist[i] == 0) continue;
        at = i;
        count += hist[i];
        if (count >= half) break;
    }
    return at;
}

void longest_chord(AreaInfo& a) {
    const int32_t px[4] = {a.left_x, a.top_x, a.right_x, a.bottom_x};
    const int32_t py[4] = {a.left_y, a.top_y, a.right_y, a.bottom_y};
    static constexpr int kPairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
    double best = -1.0;
    int best_pair = 0;
    for (int i = 0; i < 6; ++i) {
        const double dx = px[kPairs[i][0]] - px[kPairs[i][1]];
        const double dy = py[kPairs[i][0]] - py[kPairs[i][1]];
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d > best) {  // the first of equally long pairs stays
            best = d;
            best_pair = i;
        }
    }
    a.axis_x1 = px[kPairs[best_pair][0]];
    a.axis_y1 = py[kPairs[best_pair][0]];
    a.axis_x2 = px[kPairs[best_pair][1]];
    a.axis_y2 = py[kPairs[best_pair][1]];
}

// Right-aligned decimal of v in at least width characters, as printf's "%*d".
void append_int(std::string& out, int32_t v, int width) {
    char digits[12];
    int n = 0;
    int64_t u = v < 0 ? -static_cast<int64_t>(v) : v;
    do {
        digits[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (v < 0) digits[n++] = '-';
    for (int i = n; i < width; ++i) out.push_back(' ');
    while (n > 0) out.push_back(digits[--n]);
}

void print_table(const AreaInfo* area_info, int count, int target_areas) {
    std::string text;
    text.reserve(80 + static_cast<size_t>(count) * 64);
    text += "\n get_area_info\n";
    for (int k = 0; k < count; ++k) {
        append_int(text, k, 4);
        text += " : 面積 = ";
        append_int(text, area_info[k].pixnum, 6);
        text += "  --- 重心 X = ";
        append_int(text, area_info[k].cog_x, 4);
        text += " , Y = ";
        append_int(text, area_info[k].cog_y, 4);
        text += "\n";
    }
    text += "対象エリア数: ";
    append_int(text, target_areas, 4);
    text += "\n";
    platform::console_write(text);
}

}  // namespace

void get_area_info(ImageInfo* image_info, AreaInfo* area_info, ImageAtt* image_att) {
    // More entries than the array holds would be written out of bounds; the list never has more.
    const int count = std::clamp(image_info->area_num, 0, kMaxAreas);
    const int first_row = std::max(image_info->y_start + 1, 0);
    const int last_row = std::min(image_info->y_end - 1, kFrameHeight - 1);

    MeasureWork& work = measure_work();
    Extent* extent = work.extent;
    for (int k = 0; k < count; ++k) {
        const AreaInfo& a = area_info[k];
        // The box starts inverted; the extreme pixels start from what the entry held.
        extent[k] = Extent{.pixnum = 0, .not_foreground = 0, .min_x = 319, .min_y = 239, .max_x = 0, .max_y = 0,
                           .left_x = a.left_x, .left_y = a.left_y, .top_x = a.top_x, .top_y = a.top_y,
                           .right_x = a.right_x, .right_y = a.right_y, .bottom_x = a.bottom_x,
                           .bottom_y = a.bottom_y, .col_base = 0, .row_base = 0};
    }

    // Pixels whose label names no valid entry (-1, or a number beyond the list) belong to no
    // region; they are sent to a spare entry (index count) instead of being branched around,
    // since in noisy frames that branch is unpredictable.
    Extent& spare = extent[count];
    spare = Extent{};
    spare.min_x = 319;
    spare.min_y = 239;

    int32_t pixels = 0;  // labeled pixels recorded for pass 2
    // Pass 1: box and extreme pixels. Rows are scanned downwards, so "y >= max_y" holds for every
    // pixel and the bottom-most pixel is simply the last one. The pixel count comes later from
    // the histograms, less the labeled pixels whose value is not 0 (never so after the labeling,
    // but the planes are the caller's), counted here.
    for (int y = first_row; y <= last_row; ++y) {
        const int32_t* value = image_att->value + y * W;
        const int32_t* label = image_att->label + y * W;
        for (int x0 = 1; x0 < W - 1; x0 += kBlock) {
            const int x1 = std::min(x0 + kBlock, W - 1);
            if (unlabeled_block(label, x0, x1)) continue;
            bool odd = false;
            for (int x = x0; x < x1; ++x) {
                Extent& e = extent[entry_of(label[x], count)];
                if (x <= e.min_x) {
                    e.min_x = x;
                    e.left_x = x;
                    e.left_y = y;
                }
                if (y <= e.min_y) {
                    e.min_y = y;
                    e.top_x = x;
                    e.top_y = y;
                }
                if (x >= e.max_x) {
                    e.max_x = x;
                    e.right_x = x;
                    e.right_y = y;
                }
                e.bottom_x = x;
                e.bottom_y = y;
                odd |= (label[x] >= 0) & (value[x] != 0);
                // Remember the pixel for pass 2, without a branch: kept only when labeled.
                const int entry = static_cast<int>(&e - extent);
                work.pixel_entry[pixels] = static_cast<int16_t>(entry);
                work.pixel_place[pixels] = static_cast<uint32_t>(y << 9 | x);
                pixels += entry != count;
            }
            if (odd) {
                for (int x = x0; x < x1; ++x) {
                    if (value[x] != 0) ++extent[entry_of(label[x], count)].not_foreground;
                }
            }
        }
    }
    for (int k = 0; k < count; ++k) {
        if (extent[k].min_x <= extent[k].max_x) extent[k].max_y = extent[k].bottom_y;  // has pixels
    }

    // Pass 2: per-region histograms over the box, from the labeled pixels recorded in pass 1;
    // regions without a pixel get none.
    int32_t col_used = 0;
    int32_t row_used = 0;
    for (int k = 0; k < count; ++k) {
        Extent& e = extent[k];
        e.col_base = col_used - e.min_x;
        e.row_base = row_used - e.min_y;
        if (e.max_x >= e.min_x) col_used += e.max_x - e.min_x + 1;
        if (e.max_y >= e.min_y) row_used += e.max_y - e.min_y + 1;
    }
    std::memset(work.col_hist, 0, sizeof(int32_t) * static_cast<size_t>(col_used));
    for (auto& lane : work.row_hist) std::memset(lane, 0, sizeof(int32_t) * static_cast<size_t>(row_used));
    for (int32_t i = 0; i < pixels; ++i) {
        const Extent& e = extent[work.pixel_entry[i]];
        const int x = work.pixel_place[i] & 511, y = work.pixel_place[i] >> 9;
        ++work.col_hist[e.col_base + x];
        ++work.row_hist[x % kLanes][e.row_base + y];
    }

    for (int lane = 1; lane < kLanes; ++lane) {
        for (int32_t i = 0; i < row_used; ++i) work.row_hist[0][i] += work.row_hist[lane][i];
    }

    for (int k = 0; k < count; ++k) {
        Extent& e = extent[k];
        for (int32_t r = e.min_y; r <= e.max_y; ++r) e.pixnum += work.row_hist[0][e.row_base + r];
        e.pixnum -= e.not_foreground;
    }

    int target_areas = 0;
    for (int k = 0; k < count; ++k) {
        const Extent& e = extent[k];
        AreaInfo& a = area_info[k];
        const int32_t half = e.pixnum / 2;
        a.pixnum = e.pixnum;
        a.cog_x = half > 0 ? median_index(work.col_hist + e.col_base, e.min_x, e.max_x, half) : 0;
        a.cog_y = half > 0 ? median_index(work.row_hist[0] + e.row_base, e.min_y, e.max_y, half) : 0;
        a.min_x = e.min_x;
        a.min_y = e.min_y;
        a.max_x = e.max_x;
        a.max_y = e.max_y;
        a.left_x = e.left_x;
        a.left_y = e.left_y;
        a.top_x = e.top_x;
        a.top_y = e.top_y;
        a.right_x = e.right_x;
        a.right_y = e.right_y;
        a.bottom_x = e.bottom_x;
        a.bottom_y = e.bottom_y;
        if (e.pixnum != 0) {
            ++target_areas;
            longest_chord(a);
        }
    }
    print_table(area_info, count, target_areas);
}
