#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <opencv2/core.hpp>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "recog/colour_kernel.h"
#include "recog/colour_paths.h"
#include "recog/working_images.h"

namespace recog {

// The colour test is the plain double computation: m = sqrt(R^2 + G^2 + B^2), the direction
// (R/m, G/m, B/m), and per reference colour the distance sqrt(dr^2 + dg^2 + db^2) < th. It is
// made fast without changing a single result:
// - the last square root is replaced by comparing the squared distance d2 with the largest double
//   D whose square root is still below th. sqrt is correctly rounded and never decreasing, so
//   sqrt(d2) < th holds exactly when d2 <= D (and a NaN fails both);
// - the same operations run on several pixels at once (colour_kernel.h), with SSE2 everywhere on
//   x86-64 and AVX2 where the CPU has it.

namespace {

using colour_kernel::References;

// Largest double d with sqrt(d) < th; th must be positive.
double squared_distance_bound(double th) {
    const double inf = std::numeric_limits<double>::infinity();
    double d = th * th;
    while (d > 0 && !(std::sqrt(d) < th)) d = std::nextafter(d, 0.0);
    while (std::sqrt(std::nextafter(d, inf)) < th) d = std::nextafter(d, inf);
    return d;
}

// One pixel at a time in plain C++.
struct Portable {
    using Reg = double;
    static constexpr int kLanes = 1;
    static constexpr unsigned kAllLanes = 1;
    static Reg load(const int32_t* p) { return *p; }
    static Reg set1(double v) { return v; }
    static Reg add(Reg a, Reg b) { return a + b; }
    static Reg sub(Reg a, Reg b) { return a - b; }
    static Reg mul(Reg a, Reg b) { return a * b; }
    // Only (0, 0, 0) has m = 0: its direction is not-a-number, as 0 / 0 gives in the vector forms.
    static Reg div(Reg a, Reg b) { return b != 0 ? a / b : std::numeric_limits<double>::quiet_NaN(); }
    static Reg sqrt(Reg a) { return std::sqrt(a); }
    static unsigned less_equal(Reg a, Reg b) { return a <= b; }
};

#if defined(__SSE2__)
struct Sse2 {
    using Reg = __m128d;
    static constexpr int kLanes = 2;
    static constexpr unsigned kAllLanes = 3;
    static Reg load(const int32_t* p) {
        return _mm_cvtepi32_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
    }
    static Reg set1(double v) { return _mm_set1_pd(v); }
    static Reg add(Reg a, Reg b) { return _mm_add_pd(a, b); }
    static Reg sub(Reg a, Reg b) { return _mm_sub_pd(a, b); }
    static Reg mul(Reg a, Reg b) { return _mm_mul_pd(a, b); }
    static Reg div(Reg a, Reg b) { return _mm_div_pd(a, b); }
    static Reg sqrt(Reg a) { return _mm_sqrt_pd(a); }
    // Ordered comparison: false for not-a-number.
    static unsigned less_equal(Reg a, Reg b) {
        return static_cast<unsigned>(_mm_movemask_pd(_mm_cmple_pd(a, b)));
    }
};
#endif

using RowKernel = void (*)(uint8_t* bgr, int count, const References& refs);

bool cpu_has_avx2() {
#if defined(CL_COLOUR_AVX2) && defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

RowKernel kernel_of(ColourPath path) {
    switch (path) {
        case ColourPath::portable:
            return colour_kernel::classify_row<Portable>;
        case ColourPath::sse2:
#if defined(__SSE2__)
            return colour_kernel::classify_row<Sse2>;
#else
            return nullptr;
#endif
        case ColourPath::avx2:
#if defined(CL_COLOUR_AVX2)
            return cpu_has_avx2() ? colour_kernel::classify_row_avx2 : nullptr;
#else
            return nullptr;
#endif
    }
    return nullptr;
}

ColourPath best_path() {
    static const ColourPath best = [] {
        for (ColourPath p : {ColourPath::avx2, ColourPath::sse2}) {
            if (kernel_of(p)) return p;
        }
        return ColourPath::portable;
    }();
    return best;
}

// The classification itself, over reference colours and a threshold already in double precision.
void binarize(cv::Mat& image, References& refs, double threshold, RowKernel kernel) {
    // A threshold that is not positive (or NaN) matches nothing: every distance is >= 0.
    const bool can_match = threshold > 0;
    refs.bound = can_match ? squared_distance_bound(threshold) : -1.0;

    for (int y = 0; y < image.rows; ++y) {
        uint8_t* row = image.ptr<uint8_t>(y);
        if (!can_match) {
            std::fill(row, row + 3 * image.cols, uint8_t{255});
            continue;
        }
        kernel(row, image.cols, refs);
    }
}

template <typename Real>
void binarize_with(ColourPath path, cv::Mat& image, const Real (*ref_colors)[3], int n, Real th) {
    if (n <= 0 || ref_colors == nullptr || image.empty() || image.type() != CV_8UC3) return;
    RowKernel kernel = kernel_of(path);
    if (!kernel) kernel = kernel_of(best_path());
    References refs;
    refs.count = std::min(n, colour_kernel::kMaxReferences);
    for (int e = 0; e < refs.count; ++e) {
        refs.red[e] = ref_colors[e][0];  // a float widens exactly
        refs.green[e] = ref_colors[e][1];
        refs.blue[e] = ref_colors[e][2];
    }
    binarize(image, refs, th, kernel);
}

}  // namespace

const char* colour_path_name(ColourPath path) {
    switch (path) {
        case ColourPath::portable:
            return "portable";
        case ColourPath::sse2:
            return "sse2";
        case ColourPath::avx2:
            return "avx2";
    }
    return "?";
}

bool colour_path_available(ColourPath path) { return kernel_of(path) != nullptr; }

ColourPath colour_path_in_use() { return best_path(); }

void color_binarize_on(ColourPath path, cv::Mat& image, const float (*ref_colors)[3], int n, float th) {
    binarize_with(path, image, ref_colors, n, th);
}

void color_binarize_on(ColourPath path, cv::Mat& image, const double (*ref_colors)[3], int n, double th) {
    binarize_with(path, image, ref_colors, n, th);
}

void color_binarize(cv::Mat& image, const float (*ref_colors)[3], int n, float th) {
    binarize_with(best_path(), image, ref_colors, n, th);
}

void color_binarize(cv::Mat& image, const double (*ref_colors)[3], int n, double th) {
    binarize_with(best_path(), image, ref_colors, n, th);
}

}  // namespace recog
