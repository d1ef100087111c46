#include "recog/labeling.h"

#include <algorithm>
#include <memory>

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
// Claim: at every moment of the merge pass, the label of each pixel of W equals f(P(p)) for one
// map f from provisional labels to labels, and f(k) = find(k) of a union-find in which each
// merge L -> N makes N the parent of L.
// - Initially f is the identity and every label is a root.
// - A merge rewrites *every* L inside W, so the plane in W stays f'(P) with f' = f followed by
//   L -> N. The labels a centre compares are current labels, i.e. roots; L and N are both roots
//   and distinct, and setting parent(L) = N turns find into exactly f'. Nothing else changes f.
// - The merge pass reads only W: a centre's 3 x 3 neighbourhood spans rows r0+1..r1-1 and
//   columns 1..317+1, which is W. Row r0 is never read by a merge and never rewritten, so it
//   keeps P; that is why it is left alone at the end.
// - "First neighbour that differs" is decided on current labels, so each centre compares
//   find(P(n)) with find(P(centre)) in the fixed neighbour order and stops at the first
//   difference, with the union-find state left by all earlier centres: the same decision as on
//   the rewritten plane. Neighbours with P(n) == P(centre) can never differ and are skipped.
// - Merges only read rows up to y+1 for a centre in row y and only touch the union-find, so
//   running the first pass one row ahead of the merge pass gives the same P and the same merges.
// - The entries marked merged are exactly the labels that stop being roots (each merge marks its
//   L, which was a root and becomes a child), so "id >= 0" after the merge pass means "root".
// Renumbering gives root k, in increasing k, the number m++. The plane rewrite of the defined
// algorithm then replaces k by new(k) <= k in increasing k; new(k) was no live label at that
// moment (smaller roots were already renumbered below new(k), larger ones are still > k), so every
// pixel of W ends with new(find(P(p))), which is what the single rewrite pass below writes.
// Entries: k < m ends as (id, new_id) = (k, k); a provisional entry k >= m is left as the
// defined algorithm leaves it: (new(k), new(k)) for a root, (-1, -1) for a merged label.
//
// Capacity: provisional labels are bounded only by the frame (every one owns a pixel), so they
// live in storage of frame size. Only the final list is capped at kMaxAreas: regions numbered
// kMaxAreas and above are dropped, their pixels in W unlabeled, with one warning per call.

namespace {

constexpr int W = kFrameWidth;

struct LabelWork {
    int32_t parent[kFramePixels];
    int32_t final_label[kFramePixels + 1];  // shifted by one: index 0 is "no label"
};

LabelWork& label_work() {
    thread_local std::unique_ptr<LabelWork> work = std::make_unique<LabelWork>();
    return *work;
}

// The row above the first row: nothing there carries a label.
struct NoLabelRow {
    int32_t label[W];
    constexpr NoLabelRow() : label() {
        for (int32_t& l : label) l = -1;
    }
};
constexpr NoLabelRow kNoLabelRow{};

// Root of k, halving the path on the way.
inline int32_t find_root(int32_t* parent, int32_t k) {
    while (parent[k] != k) {
        parent[k] = parent[parent[k]];
        k = parent[k];
    }
    return k;
}

// First-pass row: each foreground pixel takes the label of its first labeled neighbour among
// upper-left, up, upper-right, left; otherwise a new provisional label. Background pixels get -1,
// as do columns 0 and 319, which never carry a label.
inline void first_pass_row(const int32_t* value, int32_t* label, const int32_t* up, int32_t* parent,
                           int32_t& next_label) {
    label[0] = -1;
    label[W - 1] = -1;
    int32_t left = -1;
    for (int x = 1; x < W - 1; ++x) {
        int32_t l = -1;
        if (value[x] == 0) {
            l = up[x - 1];
            if (l < 0) l = up[x];
            if (l < 0) l = up[x + 1];
            if (l < 0) l = left;
            if (l < 0) {
                l = next_label++;
                parent[l] = l;
            }
        }
        label[x] = l;
        left = l;
    }
}

// Merge-pass row: centres in columns 2..317; see the argument above.
inline void merge_row(const int32_t* label, int32_t* parent) {
    static constexpr int kOffsets[8] = {-W - 1, -W, -W + 1, -1, 1, W - 1, W, W + 1};
    for (int x = 2; x < W - 2; ++x) {
        const int32_t pc = label[x];
        if (pc < 0) continue;
        const int32_t* centre = label + x;
        // Most centres sit inside one provisional label; test that without branching per neighbour.
        bool all_same = true;
        for (int off : kOffsets) all_same &= (centre[off] == pc) | (centre[off] < 0);
        if (all_same) continue;
        const int32_t rc = find_root(parent, pc);
        for (int off : kOffsets) {
            const int32_t pn = centre[off];
            if (pn < 0 || pn == pc) continue;
            const int32_t rn = find_root(parent, pn);
            if (rn != rc) {
                parent[rc] = rn;  // the neighbour's label survives
                break;
            }
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
    int32_t* parent = work.parent;
    const int32_t* value = image_att->value;
    int32_t* label = image_att->label;
    int32_t next_label = 0;
    for (int y = first_row; y <= last_row; ++y) {
        const int32_t* up = y > first_row ? label + (y - 1) * W : kNoLabelRow.label;
        first_pass_row(value + y * W, label + y * W, up, parent, next_label);
        // Centres of row y - 1 now see their complete neighbourhood.
        const int centre_row = y - 1;
        if (centre_row >= centre_first && centre_row <= centre_last) merge_row(label + centre_row * W, parent);
    }

    // Renumber the roots in increasing provisional order; map every provisional label to the
    // final number of its root, dropping numbers beyond the capacity.
    int32_t* final_label = work.final_label + 1;
    final_label[-1] = -1;
    int32_t region_count = 0;
    for (int32_t k = 0; k < next_label; ++k) final_label[k] = parent[k] == k ? region_count++ : -1;
    for (int32_t k = 0; k < next_label; ++k) {
        if (parent[k] != k) final_label[k] = final_label[find_root(parent, k)];
    }
    // Entries of provisional labels, as the defined algorithm leaves them (see above).
    const int32_t entries = std::min<int32_t>(next_label, kMaxAreas);
    for (int32_t k = 0; k < entries; ++k) {
        const int32_t number = parent[k] == k ? final_label[k] : -1;
        area_info[k].id = number;
        area_info[k].new_id = number;
        area_info[k].pix_value = 0;
    }
    const int32_t kept = std::min<int32_t>(region_count, kMaxAreas);
    for (int32_t j = 0; j < kept; ++j) {
        area_info[j].id = j;
        area_info[j].new_id = j;
    }
    if (region_count > kMaxAreas) {
        for (int32_t k = 0; k < next_label; ++k) {
            if (final_label[k] >= kMaxAreas) final_label[k] = -1;
        }
        platform::console_printf(
            "警告：領域数が256を超えました。257番目以降の領域は無視します。(label_regions)\n");
    }

    // One rewrite of the replacement window with the final numbers; row r0 keeps its labels.
    for (int y = w_first; y <= w_last; ++y) {
        int32_t* row = label + y * W;
        for (int x = 1; x < W - 1; ++x) row[x] = final_label[row[x]];
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
