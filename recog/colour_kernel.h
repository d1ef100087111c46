#pragma once
// The colour test over rows of BGR pixels, written once over a small set of vector operations and
// instantiated per instruction set (portable, SSE2, AVX2). Every form does the plain double
// computation in the same order, so each gives bit for bit the result of the scalar one:
//   s = R*R + G*G + B*B, m = sqrt(s), (r, g, b) = (R/m, G/m, B/m),
//   d2 = (r - er)*(r - er) + (g - eg)*(g - eg) + (b - eb)*(b - eb) per reference e,
//   black when d2 <= bound for some e.
// +, -, *, / and sqrt round correctly in scalar and packed forms alike; what would change a
// result is a fused multiply-add, a reciprocal estimate or single precision, and none is used.
// The comparison with the bound replaces sqrt(d2) < th (see squared_distance_bound). A pixel
// (0, 0, 0) gives 0 / 0, not-a-number, which compares false with everything: it never matches.
//
// Only templates live here: each translation unit instantiates them with operations of its own
// (internal linkage), so code built for AVX2 can never be picked by the linker for a caller that
// runs without it.

#include <cstdint>

namespace recog::colour_kernel {

inline constexpr int kMaxReferences = 16;
// Pixels gathered per block: one bit each in a 64-bit hit mask.
inline constexpr int kBlock = 64;

struct References {
    double red[kMaxReferences];
    double green[kMaxReferences];
    double blue[kMaxReferences];
    int count;     // 1..16
    double bound;  // largest squared distance that still matches
};

// Classifies `count` pixels given as separate channel values (count a multiple of V::kLanes, at
// most kBlock); bit i of the result is set when pixel i matches.
template <class V>
inline uint64_t classify_channels(const int32_t* red, const int32_t* green, const int32_t* blue, int count,
                                  const References& refs) {
    using Reg = typename V::Reg;
    const Reg bound = V::set1(refs.bound);
    uint64_t hits = 0;
    for (int i = 0; i < count; i += V::kLanes) {
        const Reg cr = V::load(red + i);
        const Reg cg = V::load(green + i);
        const Reg cb = V::load(blue + i);
        const Reg m = V::sqrt(V::add(V::add(V::mul(cr, cr), V::mul(cg, cg)), V::mul(cb, cb)));
        const Reg r = V::div(cr, m);
        const Reg g = V::div(cg, m);
        const Reg b = V::div(cb, m);
        unsigned lanes = 0;
        // Entries after the one a pixel matches cannot change it; stop once all lanes match.
        for (int e = 0; e < refs.count && lanes != V::kAllLanes; ++e) {
            const Reg dr = V::sub(r, V::set1(refs.red[e]));
            const Reg dg = V::sub(g, V::set1(refs.green[e]));
            const Reg db = V::sub(b, V::set1(refs.blue[e]));
            const Reg d2 = V::add(V::add(V::mul(dr, dr), V::mul(dg, dg)), V::mul(db, db));
            lanes |= V::less_equal(d2, bound);
        }
        hits |= static_cast<uint64_t>(lanes) << i;
    }
    return hits;
}

// Classifies `count` BGR pixels in place: each becomes (0, 0, 0) or (255, 255, 255).
template <class V>
inline void classify_row(uint8_t* bgr, int count, const References& refs) {
    alignas(32) int32_t red[kBlock];
    alignas(32) int32_t green[kBlock];
    alignas(32) int32_t blue[kBlock];
    for (int x0 = 0; x0 < count; x0 += kBlock) {
        const int n = count - x0 < kBlock ? count - x0 : kBlock;
        uint8_t* p = bgr + 3 * x0;
        for (int i = 0; i < n; ++i) {
            blue[i] = p[3 * i];
            green[i] = p[3 * i + 1];
            red[i] = p[3 * i + 2];
        }
        // Lanes past the end hold black pixels: computed, never written.
        const int padded = (n + V::kLanes - 1) / V::kLanes * V::kLanes;
        for (int i = n; i < padded; ++i) red[i] = green[i] = blue[i] = 0;
        const uint64_t hits = classify_channels<V>(red, green, blue, padded, refs);
        for (int i = 0; i < n; ++i) {
            const uint8_t v = (hits >> i & 1) ? 0 : 255;
            p[3 * i] = v;
            p[3 * i + 1] = v;
            p[3 * i + 2] = v;
        }
    }
}

// The AVX2 form, built in a translation unit of its own; call it only where the CPU has AVX2.
void classify_row_avx2(uint8_t* bgr, int count, const References& refs);

}  // namespace recog::colour_kernel
