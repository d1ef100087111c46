#include "recog/area_measure.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
// utility.hpp first: the plain C++ form of the intrinsics needs its checks.
// clang-format off
#include <opencv2/core/utility.hpp>
#include <opencv2/core/hal/intrin.hpp>
// clang-format on
#include <string_view>
#include <vector>

#include "platform/console.h"

namespace recog {

// The measures follow the defined scans exactly, with one row-major pass over the measured
// window:
// - Box and extreme pixels. Within one row, the pixels of a region that the <= / >= comparisons
//   can pick are the first and the last one of a stretch of it (a stretch: consecutive labeled
//   pixels of the row with the same label, background between them allowed): the leftmost pixel
//   can only move to the first, the topmost, rightmost and bottom-most pixels (ties to the last
//   pixel in raster order) only to the last. So each stretch updates its region once, in raster
//   order, with the same comparisons; the result is that of the pixel-by-pixel scan.
// - Centre. The row-major (column-major) scan that stops counting at pixnum/2 leaves the centre
//   at the row (column) where the running count of labeled pixels first reaches pixnum/2; per
//   region a histogram over the rows and one over the columns give the same row (column).
// Groups of eight pixels whose labeled pixels all carry one label (most of them) are added to the
// histograms at once.

namespace {

constexpr int W = kFrameWidth;
constexpr int kGroup = 8;
constexpr int kGroups = W / kGroup;

struct Extent {
    int32_t min_x, min_y, max_x, max_y;
    int32_t left_x, left_y, top_x, top_y, right_x, right_y, bottom_x, bottom_y;
    int32_t not_foreground;  // labeled pixels whose value is not 0
};

// The histograms are all zero between calls: each call clears the part it used (the box of each
// region), so a frame with a few small regions does not pay for the whole tables. A column holds
// at most kFrameHeight = 240 pixels: its counts fit in a byte, sixteen columns to a vector.
using ColumnCount = uint8_t;
static_assert(kFrameHeight <= 255, "column counts are bytes");

struct MeasureWork {
    Extent extent[kMaxAreas];
    ColumnCount col_hist[kMaxAreas][W];
    int32_t row_hist[kMaxAreas][kFrameHeight];
};

MeasureWork& measure_work() {
    thread_local std::unique_ptr<MeasureWork> work = std::make_unique<MeasureWork>();
    return *work;
}

// Number of bits set in a byte (a table: without the popcount instruction in the target, the
// library call costs more than the lookup).
struct BitCounts {
    uint8_t of[256];
    constexpr BitCounts() : of() {
        for (int b = 0; b < 256; ++b)
            of[b] = static_cast<uint8_t>((b & 1) + (b >> 1 & 1) + (b >> 2 & 1) + (b >> 3 & 1) + (b >> 4 & 1) +
                                         (b >> 5 & 1) + (b >> 6 & 1) + (b >> 7 & 1));
    }
    uint8_t operator[](unsigned b) const { return of[b]; }
};
constexpr BitCounts kPixelsOf{};

// The vector steps are written once in OpenCV's universal intrinsics: SSE2 on x86-64, NEON on ARM,
// plain C++ lane loops where a CPU has neither.
using cv::v_int16x8;
using cv::v_int32x4;
using cv::v_int8x16;
using cv::v_uint8x16;

inline v_int32x4 load4(const int32_t* p) { return cv::v_load(p); }
// The 32-bit lane masks of same0 (pixels 0..3) and same1 (4..7) as the low eight bytes.
inline v_uint8x16 byte_mask(v_int32x4 same0, v_int32x4 same1) {
    return cv::v_reinterpret_as_u8(cv::v_pack(cv::v_pack(same0, same1), cv::v_setzero_s16()));
}

// Adds one to the byte counts col[0..7] where the bytes of `same` are all ones (-1: subtracting
// it with wrap-around counts one).
inline void count_eight(ColumnCount* col, v_uint8x16 same) {
    cv::v_store_low(col, cv::v_sub_wrap(cv::v_load_low(col), same));
}

// The pixels of one region in a row, from first to last, not interrupted by another region.
// Groups taken whole (see measure_row) leave two things for the end: their pixels are counted per
// lane, and the last pixel is looked up in the last such group, if no pixel came after it.
struct Stretch {
    int32_t entry = -1;  // -1: none open
    int32_t first_x = 0, last_x = 0;
    int32_t pixels = 0;
    ColumnCount* col = nullptr;  // the column histogram of the region
    // The last column of the last groups taken whole, if they end the stretch (they hold a pixel of
    // it); -1 if not.
    int32_t last_whole_end = -1;
    // Per byte (pixel i of a pair of groups, or of a group), pixels of the groups taken whole (at
    // most 40 a row).
    v_uint8x16 whole_pixels = cv::v_setzero_u8();
};

// Hands a finished stretch of row y (labels `row`) to its region: the comparisons of the defined
// scan, made once for the pixels that can win them.
inline void close_stretch(Stretch& s, const int32_t* row, int32_t y, MeasureWork& work) {
    if (s.entry < 0) return;
    if (s.last_whole_end >= 0) {
        int x = s.last_whole_end;
        while (row[x] != s.entry) --x;
        s.last_x = x;
    }
    s.pixels += static_cast<int32_t>(cv::v_reduce_sum(s.whole_pixels));
    Extent& e = work.extent[s.entry];
    if (s.first_x <= e.min_x) {
        e.min_x = s.first_x;
        e.left_x = s.first_x;
        e.left_y = y;
    }
    if (y <= e.min_y) {
        e.min_y = y;
        e.top_x = s.last_x;
        e.top_y = y;
    }
    if (s.last_x >= e.max_x) {
        e.max_x = s.last_x;
        e.right_x = s.last_x;
        e.right_y = y;
    }
    e.max_y = y;  // rows come downwards
    e.bottom_x = s.last_x;
    e.bottom_y = y;
    work.row_hist[s.entry][y] += s.pixels;
}

// The labeled pixels of one group, bit i for pixel x0 + i, whose labels are all `label`: one
// stretch goes on or a new one starts.
inline void add_to_stretch(Stretch& s, int32_t entry, int x0, unsigned pixels, const int32_t* row, int32_t y,
                           MeasureWork& work) {
    if (entry != s.entry) {
        close_stretch(s, row, y, work);
        s.entry = entry;
        s.col = work.col_hist[entry];
        s.first_x = x0 + std::countr_zero(pixels);
        s.pixels = 0;
        s.whole_pixels = cv::v_setzero_u8();
    }
    s.last_x = x0 + 31 - std::countl_zero(pixels);
    s.last_whole_end = -1;
    s.pixels += kPixelsOf[pixels];
}

// Bit i set for the lanes i of m0 (0..3) and m1 (4..7) that are all ones.
inline unsigned lane_bits(v_int32x4 m0, v_int32x4 m1) {
    return static_cast<unsigned>(cv::v_signmask(m0) | cv::v_signmask(m1) << 4);
}

// Labeled pixels whose value is not 0 still shape the box and the centre, but are not counted
// (never so after the labeling, but the planes are the caller's). A row only notes whether it has
// any (any bit set in its OddPixels); such a row is counted again at its end.
using OddPixels = v_uint8x16;

void count_odd(const int32_t* value, const int32_t* label, int32_t count, MeasureWork& work) {
    for (int x = 1; x < W - 1; ++x) {
        const int32_t l = label[x];
        if (l >= 0 && l < count && value[x] != 0) ++work.extent[l].not_foreground;
    }
}

// One group of any labels; `inside` marks its pixels in columns 1..318.
template <unsigned inside>
void measure_group(const int32_t* value, const int32_t* label, int x0, int32_t y, int32_t count, Stretch& s,
                   MeasureWork& work, OddPixels& odd_any) {
    // Labeled pixels: those whose label names an entry of the list.
    const v_int32x4 l0 = load4(label + x0), l1 = load4(label + x0 + 4);
    const v_int32x4 none = cv::v_setall_s32(-1);
    const v_int32x4 limit = cv::v_setall_s32(count);
    auto valid = [&](v_int32x4 l) { return (l > none) & (limit > l); };
    const unsigned labeled = lane_bits(valid(l0), valid(l1)) & inside;
    if (labeled == 0) return;
    const int32_t first = label[x0 + std::countr_zero(labeled)];
    const v_int32x4 k = cv::v_setall_s32(first);
    v_int32x4 same0 = l0 == k, same1 = l1 == k;
    const unsigned same = lane_bits(same0, same1) & inside;
    v_int32x4 valid0 = valid(l0), valid1 = valid(l1);
    if constexpr ((inside & 0x0f) != 0x0f) valid0 = valid0 & v_int32x4(0, -1, -1, -1);
    if constexpr ((inside & 0xf0) != 0xf0) valid1 = valid1 & v_int32x4(-1, -1, -1, 0);
    odd_any =
        odd_any | cv::v_reinterpret_as_u8((load4(value + x0) & valid0) | (load4(value + x0 + 4) & valid1));
    if (same == labeled) {
        add_to_stretch(s, first, x0, labeled, label, y, work);
        if constexpr ((inside & 0x0f) != 0x0f) same0 = same0 & v_int32x4(0, -1, -1, -1);
        if constexpr ((inside & 0xf0) != 0xf0) same1 = same1 & v_int32x4(-1, -1, -1, 0);
        count_eight(work.col_hist[first] + x0, byte_mask(same0, same1));
    } else {
        for (unsigned rest = labeled; rest != 0; rest &= rest - 1) {
            const int i = std::countr_zero(rest);
            const int32_t l = label[x0 + i];
            add_to_stretch(s, l, x0, 1u << i, label, y, work);
            ++work.col_hist[l][x0 + i];
        }
    }
}

// One row of the measured window. Most groups hold only the region of the stretch in hand and
// unlabeled pixels: they are tested for that first, and taken whole.
void measure_row(const int32_t* value, const int32_t* label, int32_t y, int32_t count, MeasureWork& work) {
    Stretch s;
    OddPixels odd_any = cv::v_setzero_u8();
    measure_group<0xfe>(value, label, 0, y, count, s, work, odd_any);
    const v_int32x4 none = cv::v_setall_s32(-1);
    v_int32x4 in_hand = cv::v_setall_s32(s.entry);  // -1 with no stretch
    // One group: taken whole when its labeled pixels all belong to the stretch in hand.
    auto group = [&](int x0) {
        const v_int32x4 l0 = load4(label + x0), l1 = load4(label + x0 + 4);
        const v_int32x4 same0 = l0 == in_hand, same1 = l1 == in_hand;
        const v_int16x8 known = cv::v_pack(same0 | (l0 == none), same1 | (l1 == none));
        if (!cv::v_check_all(known)) {
            measure_group<0xff>(value, label, x0, y, count, s, work, odd_any);
            in_hand = cv::v_setall_s32(s.entry);
            return;
        }
        // With no stretch, "same" is "unlabeled": nothing to add either.
        if (!cv::v_check_any(cv::v_pack(same0, same1)) || s.entry < 0) return;
        s.last_whole_end = x0 + kGroup - 1;
        // Equal lanes are all ones (-1): subtracting them counts one per pixel.
        const v_uint8x16 same = byte_mask(same0, same1);
        s.whole_pixels = cv::v_sub_wrap(s.whole_pixels, same);
        count_eight(s.col + x0, same);
        // A value that is not 0 leaves bits after the AND with its lane's mask.
        odd_any =
            odd_any | cv::v_reinterpret_as_u8((load4(value + x0) & same0) | (load4(value + x0 + 4) & same1));
    };
    // The middle groups two at a time: on a dense frame most pairs are taken whole in one test.
    // Labels and values are narrowed to 16 bits (values then to 8) for it: saturation keeps a label
    // that is neither the hand's (0..255) nor -1 apart from both, and a value that is not 0 not 0.
    const v_int16x8 none16 = cv::v_setall_s16(-1);
    v_int16x8 in_hand16 = cv::v_setall_s16(static_cast<short>(s.entry));
    for (int g = 1; g < kGroups - 1; g += 2) {
        const int x0 = g * kGroup;
        const v_int16x8 la = cv::v_pack(load4(label + x0), load4(label + x0 + 4));
        const v_int16x8 lb = cv::v_pack(load4(label + x0 + 8), load4(label + x0 + 12));
        const v_int16x8 same_a = la == in_hand16, same_b = lb == in_hand16;
        const v_int8x16 known = cv::v_pack(same_a | (la == none16), same_b | (lb == none16));
        if (!cv::v_check_all(known)) {  // another label somewhere
            group(x0);
            group(x0 + kGroup);
            in_hand16 = cv::v_setall_s16(static_cast<short>(s.entry));
            continue;
        }
        // The hand's pixels, one byte each. With no stretch, "same" is "unlabeled": nothing to add.
        const v_uint8x16 same = cv::v_reinterpret_as_u8(cv::v_pack(same_a, same_b));
        if (s.entry < 0 || !cv::v_check_any(same)) continue;  // most of a frame with a few cones
        s.last_whole_end = x0 + 2 * kGroup - 1;
        s.whole_pixels = cv::v_sub_wrap(s.whole_pixels, same);
        cv::v_store(s.col + x0, cv::v_sub_wrap(cv::v_load(s.col + x0), same));
        // Values narrowed to bytes the same way: one that is not 0 stays not 0.
        const v_int8x16 v = cv::v_pack(cv::v_pack(load4(value + x0), load4(value + x0 + 4)),
                                       cv::v_pack(load4(value + x0 + 8), load4(value + x0 + 12)));
        odd_any = odd_any | (cv::v_reinterpret_as_u8(v) & same);
    }
    measure_group<0x7f>(value, label, W - kGroup, y, count, s, work, odd_any);
    close_stretch(s, label, y, work);
    if (cv::v_check_any(odd_any != cv::v_setzero_u8())) count_odd(value, label, count, work);
}

// The index where the running count of hist[first..last] reaches half; the last nonzero index if
// it never does (half 0: not called).
template <typename Count>
int32_t median_index(const Count* hist, int32_t first, int32_t last, int32_t half) {
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

// The chord lengths are compared as squares of integers: the square root is strictly increasing
// and keeps distinct squares of frame distances (at most 319^2 + 239^2) distinct in double
// precision, so the same pair wins as with the lengths themselves.
void longest_chord(AreaInfo& a) {
    const int32_t px[4] = {a.left_x, a.top_x, a.right_x, a.bottom_x};
    const int32_t py[4] = {a.left_y, a.top_y, a.right_y, a.bottom_y};
    static constexpr int kPairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
    int64_t best = -1;
    int best_pair = 0;
    for (int i = 0; i < 6; ++i) {
        const int64_t dx = int64_t{px[kPairs[i][0]]} - px[kPairs[i][1]];
        const int64_t dy = int64_t{py[kPairs[i][0]]} - py[kPairs[i][1]];
        const int64_t d = dx * dx + dy * dy;
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

// The two digits of 0..99.
struct DigitPairs {
    char of[200];
    constexpr DigitPairs() : of() {
        for (int i = 0; i < 100; ++i) {
            of[2 * i] = static_cast<char>('0' + i / 10);
            of[2 * i + 1] = static_cast<char>('0' + i % 10);
        }
    }
};
constexpr DigitPairs kDigitPairs{};

// Writes v right-aligned in at least width characters, as printf's "%*d", at p (room for 11
// characters and the padding); returns the end. The digits go straight to their places, from the
// last one back.
char* put_int(char* p, int32_t v, int width) {
    uint32_t u = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    int n = 1;
    for (uint32_t t = u; t >= 10; t /= 10) ++n;
    n += v < 0;
    char* const end = p + std::max(n, width);
    char* d = end;
    while (u >= 100) {
        d -= 2;
        std::memcpy(d, kDigitPairs.of + 2 * (u % 100), 2);
        u /= 100;
    }
    if (u >= 10) {
        d -= 2;
        std::memcpy(d, kDigitPairs.of + 2 * u, 2);
    } else {
        *--d = static_cast<char>('0' + u);
    }
    if (v < 0) *--d = '-';
    while (d > p) *--d = ' ';
    return end;
}

char* put_text(char* p, std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

void print_table(const AreaInfo* area_info, int count, int target_areas) {
    static constexpr std::string_view kHeading = "\n get_area_info\n",
                                      kArea = " : 面積 = ", kCentre = "  --- 重心 X = ", kY = " , Y = ",
                                      kTargets = "対象エリア数: ";
    // Four numbers of at most 11 characters each per line.
    constexpr size_t kLine = kArea.size() + kCentre.size() + kY.size() + 4 * 11 + 1;
    // Room for the longest table (the buffer is kept: the table is printed for every frame).
    static thread_local std::vector<char> text;
    text.resize(kHeading.size() + static_cast<size_t>(kMaxAreas) * kLine + kTargets.size() + 11 + 1);
    char* p = put_text(text.data(), kHeading);
    for (int k = 0; k < count; ++k) {
        p = put_int(p, k, 4);
        p = put_text(p, kArea);
        p = put_int(p, area_info[k].pixnum, 6);
        p = put_text(p, kCentre);
        p = put_int(p, area_info[k].cog_x, 4);
        p = put_text(p, kY);
        p = put_int(p, area_info[k].cog_y, 4);
        *p++ = '\n';
    }
    p = put_text(p, kTargets);
    p = put_int(p, target_areas, 4);
    *p++ = '\n';
    platform::console_write(std::string_view(text.data(), static_cast<size_t>(p - text.data())));
}

}  // namespace

void get_area_info(ImageInfo* image_info, AreaInfo* area_info, ImageAtt* image_att) {
    // More entries than the array holds would be written out of bounds; the list never has more.
    const int count = std::clamp(image_info->area_num, 0, kMaxAreas);
    const int first_row = std::max(image_info->y_start + 1, 0);
    const int last_row = std::min(image_info->y_end - 1, kFrameHeight - 1);

    MeasureWork& work = measure_work();
    for (int k = 0; k < count; ++k) {
        const AreaInfo& a = area_info[k];
        // The box starts inverted; the extreme pixels start from what the entry held.
        work.extent[k] = Extent{.min_x = 319,
                                .min_y = 239,
                                .max_x = 0,
                                .max_y = 0,
                                .left_x = a.left_x,
                                .left_y = a.left_y,
                                .top_x = a.top_x,
                                .top_y = a.top_y,
                                .right_x = a.right_x,
                                .right_y = a.right_y,
                                .bottom_x = a.bottom_x,
                                .bottom_y = a.bottom_y,
                                .not_foreground = 0};
    }
    for (int y = first_row; y <= last_row; ++y)
        measure_row(image_att->value + y * W, image_att->label + y * W, y, count, work);

    int target_areas = 0;
    for (int k = 0; k < count; ++k) {
        const Extent& e = work.extent[k];
        AreaInfo& a = area_info[k];
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
        a.pixnum = 0;
        a.cog_x = 0;
        a.cog_y = 0;
        if (e.min_x > e.max_x) continue;  // no labeled pixel
        int32_t* rows = work.row_hist[k];
        ColumnCount* cols = work.col_hist[k];
        int32_t labeled = 0;
        for (int32_t y = e.min_y; y <= e.max_y; ++y) labeled += rows[y];
        a.pixnum = labeled - e.not_foreground;
        const int32_t half = a.pixnum / 2;
        if (half > 0) {
            a.cog_x = median_index(cols, e.min_x, e.max_x, half);
            a.cog_y = median_index(rows, e.min_y, e.max_y, half);
        }
        std::fill(rows + e.min_y, rows + e.max_y + 1, 0);
        std::fill(cols + e.min_x, cols + e.max_x + 1, 0);
        if (a.pixnum != 0) {
            ++target_areas;
            longest_chord(a);
        }
    }
    print_table(area_info, count, target_areas);
}

}  // namespace recog
