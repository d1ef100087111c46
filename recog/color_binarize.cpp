#include "recog/working_images.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <opencv2/core.hpp>

// The colour test is the plain double computation: m = sqrt(R^2 + G^2 + B^2), the direction
// (R/m, G/m, B/m), and per reference colour the distance sqrt(dr^2 + dg^2 + db^2) < th. It is
// made fast without changing a single result:
// - the last square root is replaced by comparing the squared distance d2 with the largest double
//   D whose square root is still below th. sqrt is correctly rounded and never decreasing, so
//   sqrt(d2) < th holds exactly when d2 <= D (and a NaN fails both);
// - pixels are gathered in blocks and the same operations (division, square root, products and
//   sums in the same order, no fused multiply-add) run over the block, so the compiler can use
//   vector instructions; those round exactly as the scalar ones do.

namespace {

constexpr int kMaxReferenceColors = 16;
constexpr int kBlock = 64;

// Largest double d with sqrt(d) < th; th must be positive.
double squared_distance_bound(double th) {
    const double inf = std::numeric_limits<double>::infinity();
    double d = th * th;
    while (d > 0 && !(std::sqrt(d) < th)) d = std::nextafter(d, 0.0);
    while (std::sqrt(std::nextafter(d, inf)) < th) d = std::nextafter(d, inf);
    return d;
}

struct References {
    double red[kMaxReferenceColors];
    double green[kMaxReferenceColors];
    double blue[kMaxReferenceColors];
    int count;
    double bound;  // squared-distance bound of the threshold
};

// Classifies kBlock pixels given as separate channel values; match[i] = 1 when pixel i is black.
// A pixel (0, 0, 0) has no direction (0 / 0) and never matches.
void classify_block(const double* red, const double* green, const double* blue, const References& refs,
                    uint8_t* match) {
    double r[kBlock], g[kBlock], b[kBlock];
    for (int i = 0; i < kBlock; ++i) {
        const double m = std::sqrt(red[i] * red[i] + green[i] * green[i] + blue[i] * blue[i]);
        // The square sum is an exact integer in double, the same as the integer sum converted.
        const double safe_m = m > 0 ? m : 1.0;
        r[i] = red[i] / safe_m;
        g[i] = green[i] / safe_m;
        b[i] = blue[i] / safe_m;
    }
    uint8_t hit[kBlock] = {};
    for (int e = 0; e < refs.count; ++e) {
        const double er = refs.red[e], eg = refs.green[e], eb = refs.blue[e];
        for (int i = 0; i < kBlock; ++i) {
            const double dr = r[i] - er;
            const double dg = g[i] - eg;
            const double db = b[i] - eb;
            const double d2 = dr * dr + dg * dg + db * db;
            hit[i] |= static_cast<uint8_t>(d2 <= refs.bound);
        }
    }
    for (int i = 0; i < kBlock; ++i) {
        const bool black_pixel = red[i] == 0 && green[i] == 0 && blue[i] == 0;
        match[i] = static_cast<uint8_t>(hit[i] & !black_pixel);
    }
}

// Classifies count (<= kBlock) BGR pixels in place.
void binarize_pixels(uint8_t* bgr, int count, const References& refs) {
    double red[kBlock], green[kBlock], blue[kBlock];
    for (int i = 0; i < count; ++i) {
        blue[i] = bgr[3 * i];
        green[i] = bgr[3 * i + 1];
        red[i] = bgr[3 * i + 2];
    }
    for (int i = count; i < kBlock; ++i) red[i] = green[i] = blue[i] = 0;
    uint8_t match[kBlock];
    classify_block(red, green, blue, refs, match);
    for (int i = 0; i < count; ++i) {
        const uint8_t v = match[i] ? 0 : 255;
        bgr[3 * i] = bgr[3 * i + 1] = bgr[3 * i + 2] = v;
    }
}

// The classification itself, over reference colours and a threshold already in double precision.
void binarize(cv::Mat& image, References& refs, double threshold) {
    // A threshold that is not positive (or NaN) matches nothing: every distance is >= 0.
    const bool can_match = threshold > 0;
    refs.bound = can_match ? squared_distance_bound(threshold) : -1.0;

    for (int y = 0; y < image.rows; ++y) {
        uint8_t* row = image.ptr<uint8_t>(y);
        if (!can_match) {
            std::fill(row, row + 3 * image.cols, uint8_t{255});
            continue;
        }
        for (int x = 0; x < image.cols; x += kBlock) {
            binarize_pixels(row + 3 * x, std::min(kBlock, image.cols - x), refs);
        }
    }
}

template <typename Real>
void binarize_with(cv::Mat& image, const Real (*ref_colors)[3], int n, Real th) {
    if (n <= 0 || ref_colors == nullptr || image.empty() || image.type() != CV_8UC3) return;
    References refs;
    refs.count = std::min(n, kMaxReferenceColors);
    for (int e = 0; e < refs.count; ++e) {
        refs.red[e] = ref_colors[e][0];  // a float widens exactly
        refs.green[e] = ref_colors[e][1];
        refs.blue[e] = ref_colors[e][2];
    }
    binarize(image, refs, th);
}

}  // namespace

void color_binarize(cv::Mat& image, const float (*ref_colors)[3], int n, float th) {
    binarize_with(image, ref_colors, n, th);
}

void color_binarize(cv::Mat& image, const double (*ref_colors)[3], int n, double th) {
    binarize_with(image, ref_colors, n, th);
}
