#include "recog/labeling.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
// utility.hpp first: the plain C++ form of the intrinsics needs its checks.
// clang-format off
#include <opencv2/core/utility.hpp>
#include <opencv2/core/hal/intrin.hpp>
// clang-format on

#include "platform/console.h"

namespace recog {

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
//   the same decision as on the rewritten plane. Background centres and neighbours never merge.
// - A centre in row y reads rows up to y+1 and only changes the sets, so running the first pass
//   one row ahead of the merge pass gives the same P and the same merges.
// - An entry is marked merged exactly when its label stops naming a set (each merge marks L,
//   whose set gets the name N), so after the merge pass "id >= 0" means "names a set".
// The labels the passes work on (a 16-bit copy, see Capacity) need not be P, only some label
// Q(p) of the set of P(p): which neighbour a pixel takes its label from, and whether it gets a
// new one, depends only on which neighbours are foreground, and taking the neighbour's Q instead
// of its P stays inside the same set (P(p) = P(n)). So labels of a row may be replaced by their set's
// representative at any time (refresh_row), and Q = P in row r0, which no join precedes and no
// refresh touches. The merge pass compares sets (representatives), never Q itself, except to
// skip: two pixels whose Q were equal at some moment are in one set from then on, so a pair of
// neighbours whose Q agreed when the row was labeled or refreshed (a zero bit in the codes) needs
// no look.
// The merges of some centres are made ahead, in the first pass (new_label says why that is the
// same); the merge pass then skips those centres.
// Renumbering gives every set name k, in increasing k, the number m++ (new(k)). The defined plane
// rewrite then replaces k by new(k) <= k in increasing k; new(k) is no live label at that moment
// (smaller names already became numbers below new(k), larger ones are still > k), so every pixel
// of W ends with new(f(P(p))): the number of the name of the set of Q(p), which is what the
// single rewrite pass below writes. Entries:
// k < m ends as (id, new_id) = (k, k); a provisional entry k >= m is left as the defined
// algorithm leaves it: (new(k), new(k)) for a set name, (-1, -1) for a merged label.
//
// Capacity: provisional labels are not limited by the list, only by the frame: a new one goes to
// a foreground pixel whose left, upper-left, upper and upper-right neighbours are background or
// outside, so no two of them touch (the later one would take the earlier one's label): at most
// one in every 2 x 2 block of 318 x 240 pixels, 159 x 120 = 19 080 in all. So they fit in
// 16 bits, and the passes work on a 16-bit copy of the label plane, twice as many pixels per
// vector; the label plane gets its values once, at the end. Only the final list is capped at
// kMaxAreas: regions numbered kMaxAreas and above are dropped, their pixels in W unlabeled, with
// one warning per call.

namespace {

constexpr int W = kFrameWidth;
constexpr int kGroup = 8;  // pixels handled together; a row has kGroups of them
constexpr int kGroups = W / kGroup;
// Of the first and the last group: the pixels inside columns 1..318 and the centres 2..317.
constexpr uint8_t kFirstGroupPixels = 0xfe, kLastGroupPixels = 0x7f;
constexpr uint8_t kFirstGroupCentres = 0xfc, kLastGroupCentres = 0x3f;

// The sets of provisional labels, kept flat: every label points straight at its set's
// representative, so a lookup is one load with no loop to mispredict. Joining moves the members
// of the smaller set (union by size: each label moves at most log2(n) times); the representative
// holds the set's name. "No label" (-1) is a set of its own that never joins, so a lookup needs
// no test for it.
struct LabelSets {
    int32_t representative_slots[kFramePixels + 1];  // shifted by one: slot 0 is "no label"
    int32_t size[kFramePixels];
    int32_t name[kFramePixels];
    int32_t next_member[kFramePixels];  // members of a set as a list from its representative
    int32_t last_member[kFramePixels];

    LabelSets() { representative_slots[0] = -1; }
    // A new set holding only label k.
    void make(int32_t k) {
        representative_slots[k + 1] = k;
        size[k] = 1;
        name[k] = k;
        next_member[k] = -1;
        last_member[k] = k;
    }
    // Representative of label k's set; -1 for -1.
    int32_t root(int32_t k) const { return representative_slots[k + 1]; }
    // Joins the set {k}, just made, into the set of representative b (a set of one is never the
    // larger one): join_into without its loop.
    void join_single(int32_t k, int32_t b) {
        representative_slots[k + 1] = b;
        next_member[last_member[b]] = k;
        last_member[b] = k;
        size[b] += 1;
    }
    // Joins the set of representative a into the set of representative b; the result keeps b's name.
    void join_into(int32_t a, int32_t b) {
        const int32_t survivor = name[b];
        if (size[a] > size[b]) std::swap(a, b);
        for (int32_t m = a; m >= 0; m = next_member[m]) representative_slots[m + 1] = b;
        next_member[last_member[b]] = a;
        last_member[b] = last_member[a];
        size[b] += size[a];
        name[b] = survivor;
    }
};

using Label = int16_t;  // provisional labels while the passes run (see above); -1 for none

struct LabelWork {
    LabelSets sets;
    // The labels of the passes, row y at plane + y * W; a few entries after the last row are
    // read by the vector loads.
    Label plane[kFramePixels + 16];
    int32_t final_label[kFramePixels + 1];  // shifted by one: index 0 is "no label"
    // Per row and group, bit i for pixel 8 g + i: foreground inside columns 1..318.
    uint8_t foreground[kFrameHeight][kGroups];
    uint8_t differs[kFramePixels + 32];  // codes (see kDiffersUp); the merge pass reads a few
                                         // bytes past the last row
    // Per row and 64 pixels, bit i for pixel 64 w + i: centres whose merge the first pass has
    // already made (see new_label).
    uint64_t merged[kFrameHeight][W / 64];
};

LabelWork& label_work() {
    thread_local std::unique_ptr<LabelWork> work = std::make_unique<LabelWork>();
    return *work;
}

// The row above the first row: nothing there carries a label.
struct NoLabelRow {
    Label label[W + 16];  // from column -1
    constexpr NoLabelRow() : label() {
        for (Label& l : label) l = -1;
    }
};
constexpr NoLabelRow kNoLabelRow{};

// Bits of a pixel's "differs" code: which of its earlier neighbours (up, upper-right, left) carried
// a label other than its own when the row was labeled. Only such pairs can be in different sets.
// The upper-left neighbour needs no bit: a pixel with a labeled upper-left neighbour takes its
// label. The bits stand where the merge pass wants them in its neighbour mask (bit i for the i-th
// neighbour in its order).
enum : uint8_t { kDiffersUp = 2, kDiffersUpRight = 4, kDiffersLeft = 8 };

// The pixels of a row that the first pass labels without the left neighbour's label (foreground
// with no labeled pixel above), one byte per group.
struct NeedLeft {
    uint8_t group[kGroups];
};

// The bytes of v in reverse order (bit i of byte g then stands for pixel 8 g + i).
constexpr uint64_t byte_swapped(uint64_t v) {
    uint64_t r = 0;
    for (int i = 0; i < 8; ++i) r |= (v >> (8 * i) & 0xff) << (8 * (7 - i));
    return r;
}

// Eight bytes from p, the first one lowest.
inline uint64_t little_endian_word(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = byte_swapped(v);
    return v;
}

// a when it is a label, b otherwise.
inline int32_t either(int32_t a, int32_t b) { return a >= 0 ? a : b; }

// The vector steps are written once in OpenCV's universal intrinsics: SSE2 on x86-64, NEON on ARM,
// plain C++ lane loops where a CPU has neither.
using cv::v_int16x8;
using cv::v_int32x4;
using cv::v_uint8x16;

inline v_int32x4 load4(const int32_t* p) { return cv::v_load(p); }
inline v_int16x8 load8(const Label* p) { return cv::v_load(p); }
inline void store8(Label* p, v_int16x8 v) { cv::v_store(p, v); }
inline v_int16x8 all16(int v) { return cv::v_setall_s16(static_cast<short>(v)); }
// b where a is all zeros, 0 where it is all ones.
template <typename V>
inline V and_not(V a, V b) {
    return b & ~a;
}
// a where a is a label, b elsewhere: a label AND all ones is itself, -1 (all ones) AND b is b.
inline v_int16x8 first_of(v_int16x8 a, v_int16x8 b) { return a & (b | (a > all16(-1))); }
// Bit i set for the 16-bit lanes i of m that are all ones.
inline unsigned lane_bits(v_int16x8 m) { return static_cast<unsigned>(cv::v_signmask(m)) & 0xffu; }
// Eight bytes from p, and to p.
inline v_uint8x16 load_low8(const uint8_t* p) { return cv::v_load_low(p); }
inline void store_low8(uint8_t* p, v_uint8x16 v) { cv::v_store_low(p, v); }

// First pass, the part that needs no label of the same row: a foreground pixel takes the label of
// its first labeled neighbour among upper-left, up, upper-right; everything else gets -1. Notes
// the foreground per group, the pixels with no labeled neighbour above and the codes so far.
//
// A pixel's code (see kDiffersUp): the upper-left bit is never set, since a pixel with a labeled
// upper-left neighbour takes that very label. A pixel labeled later from the left has no labeled
// neighbour above and the left label (or none on the left): its code is 0. The left bit of the
// pixel after it is set by label_from_left, once the label is known.
struct FirstPassRow {
    const int32_t* value;
    Label* label;
    const Label* up;
    uint8_t* foreground;
    NeedLeft& need;
    uint8_t* differs;
    v_int16x8 carry;  // labels of the previous eight pixels, the last one left of the next
    int32_t in_hand;  // the label most likely above the next group
    v_int16x8 hand;   // in_hand in every lane
};

// One group, any labels above; first and last pixels masked by `inside`.
template <unsigned inside>
[[gnu::always_inline]] inline void label_group_from_above(FirstPassRow& r, int x0, v_int16x8 f, unsigned fg) {
    const v_int16x8 none = all16(-1);
    const v_int16x8 u = load8(r.up + x0);
    const v_int16x8 ur = load8(r.up + x0 + 1);
    // Left of column 0 is not read (it may lie before the plane): that lane is dropped anyway.
    const v_int16x8 ul = (inside & 1) == 0 ? cv::v_rotate_left<1>(u) : load8(r.up + x0 - 1);
    const v_int16x8 above = first_of(ul, first_of(u, ur));
    const v_int16x8 l = above | (f ^ none);
    store8(r.label + x0, l);
    const v_int16x8 left = cv::v_rotate_left<1>(l) | cv::v_rotate_right<7>(r.carry);
    r.carry = l;
    // Bit b where neighbour n carries a label (not -1) other than the one from above.
    auto bit = [&](v_int16x8 n, int b) { return and_not((n == above) | (n == none), all16(b)); };
    // Only foreground labeled from above has a code here.
    const v_int16x8 labeled_above = and_not(above >> 15, f);
    const v_int16x8 code =
        labeled_above & (bit(u, kDiffersUp) | bit(ur, kDiffersUpRight) | bit(left, kDiffersLeft));
    store_low8(r.differs + x0, cv::v_pack_u(code, cv::v_setzero_s16()));
    r.need.group[x0 / kGroup] = static_cast<uint8_t>(fg & lane_bits(above));
    // The next group most likely sees the label at the right end of this one's window above.
    const int32_t right_end = either(r.up[x0 + 8], r.up[x0 + 7]);
    r.in_hand = either(right_end, r.in_hand);
    r.hand = all16(r.in_hand);
}

// Foreground of one group from the values, columns outside `inside` left out: all ones in the
// 16-bit lanes, and as bits.
template <unsigned inside>
inline unsigned foreground_of(const int32_t* value, int x0, v_int16x8& f) {
    const v_int32x4 zero = cv::v_setzero_s32();
    f = cv::v_pack(load4(value + x0) == zero, load4(value + x0 + 4) == zero);
    if constexpr (inside != 0xff) {
        f = f & v_int16x8(inside & 1 ? -1 : 0, -1, -1, -1, -1, -1, -1, inside & 0x80 ? -1 : 0);
    }
    return lane_bits(f);
}

// A group without foreground: no labels, no codes.
inline void empty_group(FirstPassRow& r, int x0) {
    const v_int16x8 none = all16(-1);
    store8(r.label + x0, none);
    std::memset(r.differs + x0, 0, kGroup);
    r.need.group[x0 / kGroup] = 0;
    r.carry = none;
}

template <unsigned inside>
inline void edge_group(FirstPassRow& r, int x0) {
    v_int16x8 f;
    const unsigned fg = foreground_of<inside>(r.value, x0, f);
    r.foreground[x0 / kGroup] = static_cast<uint8_t>(fg);
    if (fg == 0)
        empty_group(r, x0);
    else
        label_group_from_above<inside>(r, x0, f, fg);
}

// A group whose labeled pixels above (columns x0 - 1..x0 + 8) all carry the label in hand: a
// pixel's label from above is the AND of its three neighbours above (-1 is all ones), they all
// agree with it (no up or upper-right bit) and so do the pixels to the left inside the group; the
// first pixel's left bit is given.
inline void label_group_in_hand(FirstPassRow& r, int x0, v_int16x8 f, unsigned fg, int first_code) {
    const v_int16x8 none = all16(-1);
    const Label* up = r.up;
    const v_int16x8 a = load8(up + x0 - 1) & load8(up + x0) & load8(up + x0 + 1);
    const v_int16x8 l = a | (f ^ none);
    store8(r.label + x0, l);
    r.carry = l;
    // One store of all eight codes (the first one lowest), as they are read back later.
    uint64_t codes = static_cast<uint8_t>(first_code);
    if constexpr (std::endian::native == std::endian::big) codes = byte_swapped(codes);
    std::memcpy(r.differs + x0, &codes, sizeof codes);
    r.need.group[x0 / kGroup] = static_cast<uint8_t>(fg & lane_bits(a));
}

void label_from_above(const int32_t* value, Label* label, const Label* up, uint8_t* foreground,
                      NeedLeft& need, uint8_t* differs) {
    FirstPassRow r{value, label, up, foreground, need, differs, all16(-1), -1, all16(-1)};
    const v_int16x8 none = all16(-1);
    edge_group<kFirstGroupPixels>(r, 0);
    // Whether every labeled pixel above the group before (its columns x0 - 9..x0) carries the
    // label in hand.
    bool before_in_hand = false;
    for (int g = 1; g < kGroups - 1; ++g) {
        const int x0 = g * kGroup;
        v_int16x8 f;
        const unsigned fg = foreground_of<0xff>(value, x0, f);
        foreground[g] = static_cast<uint8_t>(fg);
        if (fg == 0) {  // most of a frame with a few cones
            empty_group(r, x0);
            before_in_hand = false;
            continue;
        }
        // Most often every labeled pixel above the group (columns x0 - 1..x0 + 8) carries the
        // label in hand; after a group where that held only columns x0 + 1..x0 + 8 are new.
        const v_int16x8 hand = r.hand;
        auto agrees = [&](v_int16x8 v) { return (v == hand) | (v == none); };
        v_int16x8 all_agree = agrees(load8(up + x0 + 1));
        if (!before_in_hand) all_agree = all_agree & agrees(load8(up + x0 - 1));
        if (!cv::v_check_all(all_agree)) {
            label_group_from_above<0xff>(r, x0, f, fg);
            before_in_hand = false;
            continue;
        }
        // The first pixel's left bit: after such a group its left neighbour carries the same
        // label or none yet.
        int first_code = 0;
        if (!before_in_hand) {
            const int32_t left = cv::v_extract_n<7>(r.carry);
            const int32_t first = (up[x0 - 1] & up[x0] & up[x0 + 1]) | ((fg & 1) != 0 ? 0 : -1);
            first_code = ((first >= 0) & (left >= 0) & (left != first)) * kDiffersLeft;
        }
        label_group_in_hand(r, x0, f, fg, first_code);
        before_in_hand = true;
    }
    edge_group<kLastGroupPixels>(r, W - kGroup);
}

// First pass, the rest: in raster order each pixel in need takes its left neighbour's label, or
// a new one when the left neighbour has none; the pixel after it learns whether its label
// differs. Returns the next free label.
// A new provisional label for the pixel at x that has nothing labeled above or on its left;
// returns the label the pixel carries.
//
// On a merge centre the merge pass would look at this label first at this very pixel: none of
// the centres before it touches a pixel carrying it (their neighbours of it are background, or
// carry other labels). And there its decision can already be read off the values: the upper
// neighbours and the left one are background, so the first neighbour in another set is the right
// one if it has a label from above; else (the right one background or carrying the new label
// too) the lower-left one, if it is foreground and the pixel two to the left is (the lower-left
// one then takes that pixel's label); the lower and lower-right ones carry the new label. Joining
// a set of one label into another set early changes no name and no later decision, so the join
// is made now, the pixel carries the other label (a label of the same set) and the merge pass
// skips it (its bit in `merged`, which holds the 64 pixels from x & ~63).
inline int32_t new_label(int32_t made, int x, Label* label, const int32_t* value_below, bool centre_row,
                         uint64_t& merged, LabelSets& sets) {
    sets.make(made);
    if (!centre_row || x < 2 || x > W - 3) return made;
    int32_t other = label[x + 1];  // from above, or -1 (background, or in need as this one)
    if (other < 0 && value_below[x - 1] == 0) other = label[x - 2];
    if (other < 0) return made;
    sets.join_single(made, sets.root(other));
    merged |= uint64_t{1} << (x & 63);
    return other;
}

int32_t label_from_left(Label* label, uint8_t* differs, uint64_t* merged, const NeedLeft& need, int32_t next,
                        const int32_t* value_below, bool centre_row, LabelSets& sets) {
    for (int g0 = 0; g0 < kGroups; g0 += 8) {
        uint64_t merged_here = 0;
        for (uint64_t bits = little_endian_word(need.group + g0); bits != 0; bits &= bits - 1) {
            const int x = g0 * kGroup + std::countr_zero(bits);
            int32_t l = label[x - 1];
            // The next pixel, if labeled from above (one in need is still -1; x + 1 <= 319).
            const int32_t right = label[x + 1];
            if (l < 0) l = new_label(next++, x, label, value_below, centre_row, merged_here, sets);
            label[x] = static_cast<Label>(l);
            differs[x + 1] |= static_cast<uint8_t>(((right >= 0) & (right != l)) * kDiffersLeft);
        }
        merged[g0 / 8] = merged_here;
    }
    return next;
}

// Merge pass over the centres (columns 2..317) of a row; see the argument above. A centre's
// neighbours with another label are read off the codes of the centre and of its later
// neighbours (whose earlier neighbour it is); a centre without label has none. The lower-right
// neighbour never counts: the first pass gave it the centre's own label. Returns the number of
// joins.
int merge_row(const Label* label, const uint8_t* differs, const uint8_t* foreground, const uint64_t* merged,
              LabelSets& sets) {
    static constexpr int kOffsets[8] = {-W - 1, -W, -W + 1, -1, 1, W - 1, W, W + 1};
    const uint8_t* below = differs + W;
    int joins = 0;
    for (int x0 = 0; x0 < W; x0 += 64) {
        uint64_t centres = little_endian_word(foreground + x0 / kGroup) & ~merged[x0 / 64];
        if (centres == 0) continue;  // 64 pixels without foreground
        if (x0 == 0) centres &= ~uint64_t{kFirstGroupCentres ^ 0xffu};
        if (x0 + 64 == W) centres &= ~(uint64_t{kLastGroupCentres ^ 0xffu} << 56);
        // Per centre the neighbours to look at, in the neighbour order: bit i for kOffsets[i].
        // Which centres have any is as good as random on a noisy frame: all 64 are masked at once.
        uint8_t around[64];
        uint64_t active = 0;
        for (int b = 0; b < 64; b += 16) {
            const int x = x0 + b;
            // The masked bits move up by at most 5 within their byte: 16-bit shifts do not spill.
            auto moved = [](const uint8_t* p, int m, int by) {
                const v_uint8x16 v = cv::v_load(p) & cv::v_setall_u8(static_cast<uint8_t>(m));
                return cv::v_reinterpret_as_u8(cv::v_reinterpret_as_u16(v) << by);
            };
            const v_uint8x16 mask = cv::v_load(differs + x) | moved(differs + x + 1, kDiffersLeft, 1) |
                                    moved(below + x - 1, kDiffersUpRight, 3) |
                                    moved(below + x, kDiffersUp, 5);
            cv::v_store(around + b, mask);
            const unsigned none = static_cast<unsigned>(cv::v_signmask(mask == cv::v_setzero_u8()));
            active |= static_cast<uint64_t>(~none & 0xffffu) << b;
        }
        for (active &= centres; active != 0; active &= active - 1) {
            const int i = std::countr_zero(active);
            const Label* centre = label + x0 + i;
            const int32_t own = sets.root(centre[0]);
            for (unsigned bits = around[i]; bits != 0; bits &= bits - 1) {
                const int32_t n = centre[kOffsets[std::countr_zero(bits)]];
                const int32_t other = sets.root(n);
                if (other != own) {
                    sets.join_into(own, other);  // the neighbour's label survives
                    ++joins;
                    break;
                }
            }
        }
    }
    return joins;
}

// Labels of a row replaced by their set's representative, where the row's codes show a
// difference: codes computed against it then see fewer differences between labels whose sets
// have already joined. The row's own codes lose the bits of neighbours that now carry the very
// same label (a zero bit only needs the two in one set), so its merge centres look at fewer
// pairs. Only a shortcut: any label of the set would do, and any bit may stay.
void refresh_row(Label* label, uint8_t* differs, const LabelSets& sets) {
    auto refresh_group = [&](int x0) {
        // The new labels are put together in a register (read back from memory, eight narrow
        // stores could not be forwarded to the load).
        auto root_at = [&](int i) { return static_cast<short>(sets.root(label[x0 + i])); };
        const v_int16x8 l(root_at(0), root_at(1), root_at(2), root_at(3), root_at(4), root_at(5), root_at(6),
                          root_at(7));
        const v_int16x8 left = cv::v_rotate_left<1>(l) | v_int16x8(label[x0 - 1], 0, 0, 0, 0, 0, 0, 0);
        store8(label + x0, l);
        // Neighbours that now carry the very same label are in one set: their bits go. (Clearing
        // is always safe. The refreshed row is never the first, so the row above exists, and left
        // of column 0 lies its column 319, which never carries a label.)
        auto equal = [&](v_int16x8 n, int b) { return (n == l) & all16(b); };
        const v_int16x8 same = equal(load8(label + x0 - W), kDiffersUp) |
                               equal(load8(label + x0 - W + 1), kDiffersUpRight) | equal(left, kDiffersLeft);
        store_low8(differs + x0, and_not(cv::v_pack_u(same, same), load_low8(differs + x0)));
    };
    // Two groups are tested at a time: most of a row has no code, even a noisy one.
    for (int x0 = 0; x0 < W; x0 += 2 * kGroup) {
        uint64_t first, second;
        std::memcpy(&first, differs + x0, sizeof first);
        std::memcpy(&second, differs + x0 + kGroup, sizeof second);
        if ((first | second) == 0) continue;
        if (first != 0) refresh_group(x0);
        if (second != 0) refresh_group(x0 + kGroup);
    }
}

// Final numbers over a row of W, from the labels of the passes (`labels`) into the label plane
// (`out`). Most labeled pixels of 64 carry one label: the representative of the set of the first
// of them (the refresh puts representatives in, the first pass hands labels on). Those get its
// number without a lookup each; the others are looked up one by one after. Which ones they are is
// as good as random on a noisy frame, so nothing else is decided per pixel, and 16 pixels are
// taken at a time. Pixels without foreground are not written: the plane holds -1 there.
void rewrite_row(const Label* labels, int32_t* out, const uint8_t* foreground, const int32_t* final_label,
                 const LabelSets& sets) {
    for (int x0 = 0; x0 < W; x0 += 64) {
        const uint64_t labeled = little_endian_word(foreground + x0 / kGroup);
        if (labeled == 0) continue;  // most of a frame with a few cones
        uint64_t others = labeled;
        const int32_t hand = sets.root(labels[x0 + std::countr_zero(labeled)]);
        // The hand's lanes get its number, the unlabeled ones -1 (all ones); the others are
        // written again below. A hand whose region was dropped is left to the lookups: its
        // pixels stay unlabeled, as the plane holds them.
        const int32_t hand_number = final_label[hand];  // below kMaxAreas
        const v_int16x8 hand8 = all16(hand);
        const v_int16x8 number = all16(hand_number);
        const v_int16x8 none = all16(-1);
        for (int b = 0; b < 64 && hand_number >= 0; b += 16) {
            if ((labeled >> b & 0xffffu) == 0) continue;
            const int x = x0 + b;
            const v_int16x8 same0 = load8(labels + x) == hand8;
            const v_int16x8 same1 = load8(labels + x + 8) == hand8;
            // Eight lanes as 16 bits (the number or -1), then widened: the upper halves are the
            // signs, all ones exactly where the lane is not the hand's (the number is not
            // negative here).
            auto put = [&](int at, v_int16x8 same) {
                const v_int16x8 sign = same ^ none;
                v_int16x8 low_half, high_half;
                cv::v_zip(number | sign, sign, low_half, high_half);
                cv::v_store(out + at, cv::v_reinterpret_as_s32(low_half));
                cv::v_store(out + at + 4, cv::v_reinterpret_as_s32(high_half));
            };
            put(x, same0);
            put(x + 8, same1);
            others &= ~(static_cast<uint64_t>(static_cast<unsigned>(cv::v_signmask(cv::v_pack(same0, same1))))
                        << b);
        }
        for (; others != 0; others &= others - 1) {
            const int x = x0 + std::countr_zero(others);
            out[x] = final_label[labels[x]];
        }
    }
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
    Label* label = work.plane;
    int32_t next_label = 0;
    int joins = 0;  // by the last merge row
    for (int y = first_row; y <= last_row; ++y) {
        Label* row = label + y * W;
        const Label* up = kNoLabelRow.label + 1;
        if (y > first_row) {
            Label* above = label + (y - 1) * W;
            if (joins != 0 && y - 1 >= w_first)
                refresh_row(above, differs + (y - 1) * W, sets);  // never row r0
            up = above;
        }
        NeedLeft need;
        label_from_above(value + y * W, row, up, work.foreground[y], need, differs + y * W);
        const bool centres = y >= centre_first && y <= centre_last;  // then row y + 1 exists
        next_label = label_from_left(row, differs + y * W, work.merged[y], need, next_label,
                                     centres ? value + (y + 1) * W : nullptr, centres, sets);
        // Centres of row y - 1 now see their complete neighbourhood.
        const int centre_row = y - 1;
        joins = 0;
        if (centre_row >= centre_first && centre_row <= centre_last)
            joins = merge_row(label + centre_row * W, differs + centre_row * W, work.foreground[centre_row],
                              work.merged[centre_row], sets);
    }

    // Number the set names in increasing order (final_label[k] >= 0 marks a name), then give
    // every other provisional label the number of its set's name.
    int32_t* final_label = work.final_label + 1;
    final_label[-1] = -1;
    int32_t region_count = 0;
    for (int32_t k = 0; k < next_label; ++k)
        final_label[k] = sets.name[sets.root(k)] == k ? region_count++ : -1;
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
    for (int32_t k = 0; k < next_label; ++k)
        final_label[k] = final_label[sets.name[sets.root(k)]];  // names keep theirs
    if (region_count > kMaxAreas) {
        for (int32_t k = 0; k < next_label; ++k) {
            if (final_label[k] >= kMaxAreas) final_label[k] = -1;
        }
        platform::console_printf(
            "警告：領域数が256を超えました。257番目以降の領域は無視します。(label_regions)\n");
    }

    // One rewrite of the replacement window with the final numbers; row r0 keeps its labels.
    int32_t* out = image_att->label;
    for (int y = w_first; y <= w_last; ++y)
        rewrite_row(label + y * W, out + y * W, work.foreground[y], final_label, sets);
    if (first_row < w_first) {
        for (int x = 0; x < W; ++x) out[first_row * W + x] = label[first_row * W + x];
    }
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

}  // namespace recog
