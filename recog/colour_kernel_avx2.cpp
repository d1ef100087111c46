// The colour test with four doubles per operation. This file alone is built with -mavx2 (and
// without FMA); it includes nothing but the kernel templates and the intrinsics, so no inline
// function of a shared header is compiled here with instructions an older CPU lacks.

#include "recog/colour_kernel.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace recog::colour_kernel {
namespace {

struct Avx2 {
    using Reg = __m256d;
    static constexpr int kLanes = 4;
    static constexpr unsigned kAllLanes = 0xf;
    static Reg load(const int32_t* p) {
        return _mm256_cvtepi32_pd(_mm_load_si128(reinterpret_cast<const __m128i*>(p)));
    }
    static Reg set1(double v) { return _mm256_set1_pd(v); }
    static Reg add(Reg a, Reg b) { return _mm256_add_pd(a, b); }
    static Reg sub(Reg a, Reg b) { return _mm256_sub_pd(a, b); }
    static Reg mul(Reg a, Reg b) { return _mm256_mul_pd(a, b); }
    static Reg div(Reg a, Reg b) { return _mm256_div_pd(a, b); }
    static Reg sqrt(Reg a) { return _mm256_sqrt_pd(a); }
    // Ordered comparison: false for not-a-number.
    static unsigned less_equal(Reg a, Reg b) {
        return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(a, b, _CMP_LE_OQ)));
    }
};

}  // namespace

void classify_row_avx2(uint8_t* bgr, int count, const References& refs) {
    classify_row<Avx2>(bgr, count, refs);
}

}  // namespace recog::colour_kernel

#endif
