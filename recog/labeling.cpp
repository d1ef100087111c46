#include "recog/labeling.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/console.h"

// How label_regions gets the results of rewriting the frame at every merge without doing so.
//
// The labeling is defined in three stages over the windows (r0 = y_start, r1 = y_end):
//   first pass     rows r0..r1-1,   columns 1..318: provisional labels P(p);
//   merge pass     centres in rows r0+2..r1-2, columns 2..317, in raster order: at the first
//                  neighbour with value 0 and a current label N different from the centre's
//                  current label L, entry L is marked merged and every L in the replacement
//                  window becomes N;
//   replacement    rows r0+1..r1-1, columns 1..318 (the window W).
// Claim: at every moment of the merge pass, each pixel p of W carries f(P(p)), where f maps a
// provisional label to the *name* of its set in a union-find: every set is named by one of its
// labels, a merge L -> N joins the set named L with the set named N and names the result N.
// - Initially every label is a set of its own, named by itself: f is the identity.
// - A merge rewrites *every* L inside W, so W stays f'(P), with f' = f followed by L -> N. The
//   labels f gives are set names, L and N are the names of two different sets, and joining them
//   under the name N turns f into exactly f'. Nothing else changes the plane or the sets. The
//   bookkeeping of the sets is free (here: flat, see LabelSets); only the names matter.
// - The merge pass reads only W: a centre's 3 x 3 neighbourhood spans rows r0+1..r1-1 and
//   columns 1..318, which is W. Row r0 is never read by a merge and never rewritten, so it
//   keeps P; that is why it is left alone at the end.
// - "Equal value and different label" among foreground pixels of W is "different set". Each
//   centre compares, in the fixed neighbour order, the set of every foreground neighbour with its
//   own set, with the sets left by all earlier centres, and joins at the first difference only:
//   the same decision as on the rewritten plane. Neighbours with P(n) == P(centre) are in the
//   same set from the start and are skipped; background centres and neighbours never merge.
// - A centre in row y reads rows up to y+1 and only changes the sets, so running the first pass
//   one row ahead of the merge pass gives the same P and the same merges.
// - An entry is marked merged exactly when its label stops naming a set (each merge marks L,
//   whose set gets the name N), so after the merge pass "id >= 0" means "names a set".
// Renumbering gives every set name k, in increasing k, the number m++ (new(k)). The defined plane
// rewrite then replaces k by new(k) <= k in increasing k; new(k) is no live label at that moment
// (smaller names already became numbers below new(k), larger ones are still > k), so every pixel
// of W ends with new(f(P(p))), which is what the single rewrite pass below writes. Entries:
// k < m ends as (id, new_id) = (k, k); a provisional entry k >= m is left as the defined
// algorithm leaves it: (new(k), new(k)) for a set name, (-1, -1) for a merged label.
//
// Capacity: provisional labels are bounded only by the frame (every one owns a pixel), so they
// live in storage of frame size. Only the final list is capped at kMaxAreas: regions numbered
// kMaxAreas and above are dropped, their pixels in W unlabeled, with one warning per call.

namespace {

constexpr int W = kFrameWidth;
constexpr int kBlock = 8;  // pixels tested at once for "nothing to do here"

// The sets of provisional labels, kept flat: every label points straight at its set's
// representative, so a lookup is one load with no loop to mispredict. Joining moves the members
// of the smaller set (union by size: each label moves at most log2(n) times); the representative
// holds the set's name.
struct LabelSets {
    int32_t representative[kFramePixels];
    int32_t size[kFramePixels];
    int32_t name[kFramePixels];
    int32_t next_member[kFramePixels];  // members of a set as a list from its representative
    int32_t last_member[kFramePixels];

    // New sets for labels from..to-1, each holding only itself.
    void make(int32_t from, int32_t to) {
        for (int32_t k = from; k < to; ++k) {
            representative[k] = k;
            size[k] = 1;
            name[k] = k;
            next_member[k] = -1;
            last_member[k] = k;
        }
    }
    int32_t root(int32_t k) const { return representative[k]; }
    // Joins the set of representative a into the set of representative b; the result keeps b's name.
    void join_into(int32_t a, int32_t b) {
        const int32_t survivor = name[b];
        if (size[a] > size[b]) std::swap(a, b);
        for (int32_t m = a; m >= 0; m = next_member[m]) representative[m] = b;
        next_member[last_member[b]] = a;
        last_member[b] = last_member[a];
        size[b] += size[a];
        name[b] = survivor;
    }
};

struct LabelWork {
    LabelSets sets;
    int32_t final_label[kFramePixels + 1];  // shifted by one: index 0 is "no label"
    uint8_t differs[kFramePixels + 16];     // first-pass codes (see first_pass_row); the merge pass
                                            // reads a few bytes past the last row
};

LabelWork& label_work() {
    thread_local std::unique_ptr<LabelWork> work = std::make_unique<LabelWork>();
    return *work;
}

// The row above the first row: nothing there carries a label.
struct NoLabelRow {
    int32_t label[W + 1];
    constexpr NoLabelRow() : label() {
        for (int32_t& l : label) l = -1;
    }
};
constexpr NoLabelRow kNoLabelRow{};

// a when it is a label, b otherwise; by masks, since the compiler turns the plain conditional
// into a branch that noisy frames mispredict half of the time.
inline int32_t either(int32_t a, int32_t b) {
    const int32_t none = a >> 31;
    return (a & ~none) | (b & none);
}

// Bits of a pixel's "differs" code: which of its earlier neighbours (upper-left, up, upper-right,
// left) carry a label other than its own. Only such pairs can ever be merged.
enum : uint8_t { kDiffersUpLeft = 1, kDiffersUp = 2, kDiffersUpRight = 4, kDiffersLeft = 8 };

// True when none of the n values from v is 0 (foreground).
template <int n>
inline bool all_background(const int32_t* v) {
    bool any = false;
    for (int k = 0; k < n; ++k) any |= v[k] == 0;
    return !any;
}

// First pass over pixels x0..x1-1 of a row: each foreground pixel takes the label of its first
// labeled neighbour among upper-left, up, upper-right, left, otherwise a new provisional label;
// background gets -1. No branches on the pixel values, which noise makes unpredictable, and only
// two operations from one pixel's label to the next: the left neighbour is labeled exactly when
// it is foreground, so everything but "take the left label" is known without it.
inline void first_pass_pixels(int x0, int x1, const int32_t* value, int32_t* label, const int32_t* up,
                                         int32_t& left_io, int32_t& next_io) {
    // Locals, not the references: the stores below could alias them and force reloads.
    int32_t left = left_io;
    int32_t next = next_io;
    int32_t left_foreground = left >> 31 ^ -1;  // all ones when the left pixel is foreground
    for (int x = x0; x < x1; ++x) {
        const int32_t from_above = either(either(up[x - 1], up[x]), up[x + 1]);
        const int32_t foreground = -static_cast<int32_t>(value[x] == 0);  // all ones or zero
        const int32_t none_above = foreground & (from_above >> 31);
        const int32_t take_left = none_above & left_foreground;
        const int32_t fresh = none_above & ~left_foreground;
        // Without the left label: the label from above, a new one, or -1 for background.
        int32_t l = (from_above & foreground) | ~foreground;
        l = (l & ~fresh) | (next & fresh);
        next -= fresh;
        l = (l & ~take_left) | (left & take_left);
        label[x] = l;
        left = l;
        left_foreground = foreground;
    }
    left_io = left;
    next_io = next;
}

// Code of one pixel once its label and its left neighbour's are known.
inline uint8_t differs_code(const int32_t* label, const int32_t* up, int x) {
    const int32_t l = label[x], ul = up[x - 1], u = up[x], ur = up[x + 1], left = label[x - 1];
    const int code = ((ul >= 0) & (ul != l)) * kDiffersUpLeft | ((u >= 0) & (u != l)) * kDiffersUp |
                     ((ur >= 0) & (ur != l)) * kDiffersUpRight | ((left >= 0) & (left != l)) * kDiffersLeft;
    return static_cast<uint8_t>(l >= 0 ? code : 0);
}

// Codes of the kBlock pixels from x0, four at a time where the vector unit is there.
inline void differs_codes(const int32_t* label, const int32_t* up, uint8_t* differs, int x0) {
#if defined(__SSE2__)
    static_assert(kBlock == 8);
    const __m128i none = _mm_set1_epi32(-1);
    __m128i half[2];
    for (int h = 0; h < 2; ++h) {
        const int x = x0 + 4 * h;
        const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(label + x));
        // Bit b set where neighbour n is labeled (> -1) and differs from l.
        auto bit = [&](const int32_t* n, int b) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(n));
            const __m128i differs_here = _mm_andnot_si128(_mm_cmpeq_epi32(v, l), _mm_cmpgt_epi32(v, none));
            return _mm_and_si128(differs_here, _mm_set1_epi32(b));
        };
        __m128i code = _mm_or_si128(_mm_or_si128(bit(up + x - 1, kDiffersUpLeft), bit(up + x, kDiffersUp)),
                                    _mm_or_si128(bit(up + x + 1, kDiffersUpRight), bit(label + x - 1, kDiffersLeft)));
        half[h] = _mm_and_si128(code, _mm_cmpgt_epi32(l, none));  // background: no code
    }
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(half[0], half[1]), _mm_setzero_si128());
    _mm_storel_epi64(reinterpret_cast<__m128i*>(differs + x0), bytes);
#else
    for (int x = x0; x < x0 + kBlock; ++x) differs[x] = differs_code(label, up, x);
#endif
}

// First pass over columns 1..318 of a row; columns 0 and 319 never carry a label.
void first_pass_row(const int32_t* value, int32_t* label, uint8_t* differs, const int32_t* up,
                    int32_t& next_label) {
    label[0] = -1;
    label[W - 1] = -1;
    int32_t left = -1;
    int32_t next = next_label;
    int x0 = 1;
    for (; x0 + kBlock <= W - 1; x0 += kBlock) {
        if (all_background<kBlock>(value + x0)) {  // most of a frame with a few cones
            std::fill(label + x0, label + x0 + kBlock, -1);
            std::fill(differs + x0, differs + x0 + kBlock, uint8_t{0});
            left = -1;
            continue;
        }
        first_pass_pixels(x0, x0 + kBlock, value, label, up, left, next);
        differs_codes(label, up, differs, x0);
    }
    first_pass_pixels(x0, W - 1, value, label, up, left, next);
    for (int x = x0; x < W - 1; ++x) differs[x] = differs_code(label, up, x);
    next_label = next;
}

// Merge pass over the centres (columns 2..317) of a row; see the argument above. A centre's
// neighbours with another provisional label are read off the codes of the centre and of its four
// later neighbours (whose earlier neighbour it is); a background centre has none.
void merge_row(const int32_t* label, const uint8_t* differs, LabelSets& sets) {
    static constexpr int kOffsets[8] = {-W - 1, -W, -W + 1, -1, 1, W - 1, W, W + 1};
    for (int x0 = 2; x0 < W - 2; x0 += kBlock) {
        // Skip a block whose codes, and those of the row below, are all zero.
        uint64_t here, below;
        uint16_t below_end;
        std::memcpy(&here, differs + x0, 8);
        std::memcpy(&below, differs + W + x0 - 1, 8);
        std::memcpy(&below_end, differs + W + x0 + 7, 2);
        if ((here | below | below_end | differs[x0 + 8]) == 0) continue;
        // Gather the centres that have such neighbours first: a branch per centre would be
        // mispredicted all the time in noise.
        const int x1 = std::min(x0 + kBlock, W - 2);
        int active_x[kBlock];
        unsigned active_mask[kBlock];
        int active = 0;
        for (int x = x0; x < x1; ++x) {
            const uint8_t* d = differs + x;
            const unsigned mask = (d[0] & 15u) | (d[1] & kDiffersLeft) << 1 | (d[W - 1] & kDiffersUpRight) << 3 |
                                  (d[W] & kDiffersUp) << 5 | (d[W + 1] & kDiffersUpLeft) << 7;
            active_x[active] = x;
            active_mask[active] = mask;
            active += mask != 0;
        }
        for (int i = 0; i < active; ++i) {
            const int32_t* centre = label + active_x[i];
            const int32_t own = sets.root(centre[0]);
            for (unsigned bits = active_mask[i]; bits != 0; bits &= bits - 1) {
                const int32_t other = sets.root(centre[kOffsets[std::countr_zero(bits)]]);
                if (other != own) {
                    sets.join_into(own, other);  // the neighbour's label survives
                    break;
                }
            }
        }
    }
}

// Final numbers over columns 1..318 of a row of W.
void rewrite_row(int32_t* label, const int32_t* final_label) {
    int x0 = 1;
    for (; x0 + kBlock <= W - 1; x0 += kBlock) {
        int32_t all = -1;
        for (int k = 0; k < kBlock; ++k) all &= label[x0 + k];
        if (all < 0) continue;  // nothing labeled: -1 stays -1
        for (int k = 0; k < kBlock; ++k) label[x0 + k] = final_label[label[x0 + k]];
    }
    for (int x = x0; x < W - 1; ++x) label[x] = final_label[label[x]];
}

}  // namespace

void label_regions(ImageInfo* image_info, AreaInfo* area_info, ImageAtt* image_att) {
    image_info->area_num = 0;
    const int r0 = image_info->y_start;
    const int r1 = image_info->y_end;
    // Rows the first pass labels, clipped to the frame (rows outside it do not exist).
    const int first_row = std::max(r0, 0);
    const int last_row = std::min(r1 - 1, kFrameHeight - 1);
    if (first_row > last_row) return;
    // Replacement window rows; merge centres need their whole neighbourhood inside it.
    const int w_first = std::max(r0 + 1, 0);
    const int w_last = last_row;
    const int centre_first = w_first + 1;
    const int centre_last = w_last - 1;

    LabelWork& work = label_work();
    LabelSets& sets = work.sets;
    uint8_t* differs = work.differs;
    const int32_t* value = image_att->value;
    int32_t* label = image_att->label;
    int32_t next_label = 0;
    for (int y = first_row; y <= last_row; ++y) {
        const int32_t* up = y > first_row ? label + (y - 1) * W : kNoLabelRow.label;
        const int32_t made = next_label;
        first_pass_row(value + y * W, label + y * W, differs + y * W, up, next_label);
        sets.make(made, next_label);
        // Centres of row y - 1 now see their complete neighbourhood.
        const int centre_row = y - 1;
        if (centre_row >= centre_first && centre_row <= centre_last)
            merge_row(label + centre_row * W, differs + centre_row * W, sets);
    }

    // Number the set names in increasing order (final_label[k] >= 0 marks a name), then give
    // every other provisional label the number of its set's name.
    int32_t* final_label = work.final_label + 1;
    final_label[-1] = -1;
    int32_t region_count = 0;
    for (int32_t k = 0; k < next_label; ++k) final_label[k] = sets.name[sets.root(k)] == k ? region_count++ : -1;
    // Entries of provisional labels, as the defined algorithm leaves them (see above).
    const int32_t entries = std::min<int32_t>(next_label, kMaxAreas);
    for (int32_t k = 0; k < entries; ++k) {
        area_info[k].id = final_label[k];
        area_info[k].new_id = final_label[k];
        area_info[k].pix_value = 0;
    }
    const int32_t kept = std::min<int32_t>(region_count, kMaxAreas);
    for (int32_t j = 0; j < kept; ++j) {
        area_info[j].id = j;
        area_info[j].new_id = j;
    }
    for (int32_t k = 0; k < next_label; ++k) {
        if (final_label[k] < 0) final_label[k] = final_label[sets.name[sets.root(k)]];
    }
    if (region_count > kMaxAreas) {
        for (int32_t k = 0; k < next_label; ++k) {
            if (final_label[k] >= kMaxAreas) final_label[k] = -1;
        }
        platform::console_printf(
            "警告：領域数が256を超えました。257番目以降の領域は無視します。(label_regions)\n");
    }

    // One rewrite of the replacement window with the final numbers; row r0 keeps its labels.
    for (int y = w_first; y <= w_last; ++y) rewrite_row(label + y * W, final_label);
    image_info->area_num = kept;
}

void replace_label(const ImageInfo* window, int32_t key, int32_t value, ImageAtt* image_att) {
    const int first = std::max(window->y_start + 1, 0);
    const int last = std::min(window->y_end - 1, kFrameHeight - 1);
    for (int y = first; y <= last; ++y) {
        int32_t* row = image_att->label + y * W;
        for (int x = 1; x < W - 1; ++x) {
            if (row[x] == key) row[x] = value;
        }
    }
}

void mask_by_size(const AreaInfo* area_info, const ImageAtt* image_att, uint8_t* plane, int min_size) {
    for (int k = 0; k < kFramePixels; ++k) {
        const int32_t l = image_att->label[k];
        // Labels outside the list (possible in row y_start, which keeps its first-pass labels)
        // name no entry and count as unlabeled.
        const bool big = l >= 0 && l < kMaxAreas && area_info[l].pixnum > min_size;
        plane[k] = big ? 255 : 0;
    }
}
