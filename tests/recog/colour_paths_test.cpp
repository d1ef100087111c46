// Every form of the colour test (portable, SSE2, AVX2 where the CPU has it) against the colour test
// written out as defined: a dense sample of colours, every edge of a reference set, and rows of
// every length around the vector and block widths. The benchmark program compares all 2^24
// colours once.

#include "recog/colour_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <opencv2/core.hpp>
#include <random>
#include <string>
#include <vector>

#include "recog/working_images.h"
#include "tests/recog/literal_recognition.h"

namespace {

std::vector<recog::ColourPath> available_paths() {
    std::vector<recog::ColourPath> paths;
    for (recog::ColourPath p : recog::kColourPaths) {
        if (recog::colour_path_available(p)) paths.push_back(p);
    }
    return paths;
}

template <typename Real>
void unit(Real out[3], double red, double green, double blue) {
    const double m = std::sqrt(red * red + green * green + blue * blue);
    out[0] = static_cast<Real>(red / m);
    out[1] = static_cast<Real>(green / m);
    out[2] = static_cast<Real>(blue / m);
}

// Runs every form on a copy of `image` and counts the pixels that differ from the plain test.
template <typename Real>
void expect_every_form_plain(const cv::Mat& image, const Real (*refs)[3], int n, Real th,
                             const std::string& what) {
    for (recog::ColourPath path : available_paths()) {
        cv::Mat out = image.clone();
        recog::color_binarize_on(path, out, refs, n, th);
        int differ = 0;
        for (int y = 0; y < image.rows; ++y) {
            for (int x = 0; x < image.cols; ++x) {
                const cv::Vec3b in = image.at<cv::Vec3b>(y, x);
                const bool black = literal::color_matches(in[2], in[1], in[0], refs, std::min(n, 16), th);
                differ += out.at<cv::Vec3b>(y, x) != (black ? cv::Vec3b(0, 0, 0) : cv::Vec3b(255, 255, 255));
            }
        }
        EXPECT_EQ(differ, 0) << recog::colour_path_name(path) << ": " << what << ", th " << th;
    }
}

// Colours on a lattice of step 3 in each channel, shifted per channel so that every residue
// appears, and the colours one step from the grey axis and the channel axes.
cv::Mat dense_colours() {
    std::vector<cv::Vec3b> colours;
    for (int r = 0; r < 256; r += 3)
        for (int g = 1; g < 256; g += 3)
            for (int b = 2; b < 256; b += 3) colours.emplace_back(b, g, r);
    for (int v = 0; v < 256; ++v) {
        for (int d : {0, 1}) {
            colours.emplace_back(v, v, v + d > 255 ? 255 : v + d);
            colours.emplace_back(v, 0, d);
            colours.emplace_back(0, v, d);
            colours.emplace_back(d, 0, v);
        }
    }
    cv::Mat image(1, static_cast<int>(colours.size()), CV_8UC3);
    for (size_t i = 0; i < colours.size(); ++i) image.at<cv::Vec3b>(0, static_cast<int>(i)) = colours[i];
    return image;
}

TEST(colour_forms, in_use_form_is_the_one_color_binarize_takes) {
    ASSERT_TRUE(recog::colour_path_available(recog::colour_path_in_use()));
    EXPECT_TRUE(recog::colour_path_available(recog::ColourPath::portable));
    cv::Mat image(60, 70, CV_8UC3);
    cv::randu(image, 0, 256);
    float refs[2][3];
    unit(refs[0], 230, 116, 132);
    unit(refs[1], 200, 40, 40);
    cv::Mat a = image.clone(), b = image.clone();
    recog::color_binarize(a, refs, 2, 0.3f);
    recog::color_binarize_on(recog::colour_path_in_use(), b, refs, 2, 0.3f);
    EXPECT_EQ(cv::norm(a, b, cv::NORM_INF), 0);
}

TEST(colour_forms, same_as_plain_test_on_dense_colours) {
    const cv::Mat colours = dense_colours();
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_real_distribution<double> th(0.01, 0.8);
    for (int n : {1, 3, 16}) {
        float refs[16][3];
        for (int e = 0; e < n; ++e) unit(refs[e], byte(rng) + 1, byte(rng), byte(rng));
        expect_every_form_plain(colours, refs, n, static_cast<float>(th(rng)),
                                std::to_string(n) + " colours");
    }
    double refs[3][3];
    unit(refs[0], 230, 116, 132);
    unit(refs[1], 255, 90, 60);
    unit(refs[2], 1, 1, 1);
    expect_every_form_plain(colours, refs, 3, 0.2, "double entry");
}

// The thresholds where a form could part from the plain test: none, tiny, a colour's own distance
// and one step either side of it, beyond every distance, not a number; and references that are
// not unit vectors or not numbers, more entries than the list holds, and black pixels.
TEST(colour_forms, same_as_plain_test_on_reference_set_edges) {
    cv::Mat image(40, 97, CV_8UC3);
    cv::randu(image, 0, 256);
    for (int x = 0; x < 97; x += 7) image.at<cv::Vec3b>(3, x) = cv::Vec3b(0, 0, 0);
    // The reference colour at two brightnesses: distance 0 up to rounding.
    for (int x = 0; x < 97; ++x) {
        const int k = 1 + x % 2;
        image.at<cv::Vec3b>(5, x) = cv::Vec3b(66 * k, 58 * k, 115 * k);
    }

    float refs[17][3];
    unit(refs[0], 230, 116, 132);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    for (float th : {0.0f, -0.5f, 1e-7f, std::numeric_limits<float>::denorm_min(), 2.0f, inf, nan})
        expect_every_form_plain(image, refs, 1, th, "one colour");

    // Thresholds on the distances of some pixels of the image, and a float step either side.
    for (int k = 0; k < 12; ++k) {
        const cv::Vec3b p = image.at<cv::Vec3b>(k * 3 % 40, k * 11 % 97);
        const double m = std::sqrt(double(p[2]) * p[2] + double(p[1]) * p[1] + double(p[0]) * p[0]);
        const double dr = p[2] / m - refs[0][0], dg = p[1] / m - refs[0][1], db = p[0] / m - refs[0][2];
        const float d = static_cast<float>(std::sqrt(dr * dr + dg * dg + db * db));
        for (float th : {std::nextafter(d, 0.0f), d, std::nextafter(d, 2.0f)})
            expect_every_form_plain(image, refs, 1, th, "threshold at a distance");
        // The same in double precision: exactly the distance must not match.
        const double exact[1][3] = {{refs[0][0], refs[0][1], refs[0][2]}};
        const double dd = std::sqrt(dr * dr + dg * dg + db * db);
        for (double th : {std::nextafter(dd, 0.0), dd, std::nextafter(dd, 2.0)})
            expect_every_form_plain(image, exact, 1, th, "double threshold at a distance");
    }

    float odd[3][3] = {{nan, 0, 0}, {0.5f, 0.5f, 0.5f}, {2, 0, 0}};
    expect_every_form_plain(image, odd, 3, 0.6f, "NaN, short and long references");

    for (int e = 0; e < 17; ++e) unit(refs[e], 10 + 15 * e, 200 - 11 * e, 7 * e);
    expect_every_form_plain(image, refs, 16, 0.05f, "sixteen colours");
    expect_every_form_plain(image, refs, 17, 0.05f, "more colours than the list holds");
}

// Rows are cut into blocks of 64 pixels and vectors of 2 and 4: every length around those must
// classify each pixel and leave the bytes beyond the row alone.
TEST(colour_forms, every_row_length_and_rows_with_gaps) {
    float refs[1][3];
    unit(refs[0], 230, 116, 132);
    std::mt19937 rng(3);
    for (int width : {1, 2, 3, 4, 5, 7, 63, 64, 65, 66, 127, 128, 129, 319, 320}) {
        cv::Mat image(3, width, CV_8UC3);
        cv::randu(image, 0, 256);
        image.at<cv::Vec3b>(1, width - 1) = cv::Vec3b(66, 58, 115);  // a cone colour in the last place
        expect_every_form_plain(image, refs, 1, 0.2f, "width " + std::to_string(width));
    }
    for (recog::ColourPath path : available_paths()) {
        cv::Mat big(10, 100, CV_8UC3, cv::Scalar(132, 116, 230));
        cv::Mat part = big(cv::Rect(10, 2, 37, 5));  // rows 300 bytes apart, 111 used
        recog::color_binarize_on(path, part, refs, 1, 0.2f);
        EXPECT_EQ(cv::countNonZero(part.reshape(1)), 0) << recog::colour_path_name(path);
        EXPECT_EQ(cv::countNonZero(big.reshape(1)), 10 * 100 * 3 - 37 * 5 * 3)
            << recog::colour_path_name(path);
    }
}

}  // namespace
