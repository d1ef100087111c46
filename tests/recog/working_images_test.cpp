#include "recog/working_images.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <opencv2/core.hpp>
#include <random>
#include <string>

#include "platform/console.h"
#include "tests/recog/binary_frame.h"
#include "tests/recog/literal_recognition.h"

namespace {

using recog_test::BinaryFrame;

// A one-pixel image holding (red, green, blue), binarized; true when it turned black.
bool classify(int red, int green, int blue, const float (*refs)[3], int n, float th) {
    cv::Mat image(1, 1, CV_8UC3, cv::Scalar(blue, green, red));
    recog::color_binarize(image, refs, n, th);
    const cv::Vec3b p = image.at<cv::Vec3b>(0, 0);
    EXPECT_TRUE((p == cv::Vec3b(0, 0, 0)) || (p == cv::Vec3b(255, 255, 255)));
    return p[0] == 0;
}

// The reference colour (red, green, blue) scaled to unit length in single precision.
void unit(float out[3], double red, double green, double blue) {
    const double m = std::sqrt(red * red + green * green + blue * blue);
    out[0] = static_cast<float>(red / m);
    out[1] = static_cast<float>(green / m);
    out[2] = static_cast<float>(blue / m);
}

TEST(color_binarize, black_pixel_never_matches) {
    float refs[1][3];
    unit(refs[0], 1, 1, 1);
    EXPECT_FALSE(classify(0, 0, 0, refs, 1, 10.0f));
    EXPECT_FALSE(classify(0, 0, 0, refs, 1, std::numeric_limits<float>::infinity()));
    EXPECT_TRUE(classify(1, 1, 1, refs, 1, 0.001f));
}

TEST(color_binarize, distance_equal_to_threshold_does_not_match) {
    // Pure red has the direction (1, 0, 0) exactly; the reference (0.5, 0, 0) lies 0.5 away.
    const float refs[1][3] = {{0.5f, 0.0f, 0.0f}};
    EXPECT_FALSE(classify(255, 0, 0, refs, 1, 0.5f));
    EXPECT_FALSE(classify(7, 0, 0, refs, 1, 0.5f));
    EXPECT_TRUE(classify(255, 0, 0, refs, 1, std::nextafter(0.5f, 1.0f)));
}

TEST(color_binarize, any_entry_matching_makes_black) {
    float refs[3][3];
    unit(refs[0], 0, 0, 1);
    unit(refs[1], 230, 116, 132);
    unit(refs[2], 0, 1, 0);
    EXPECT_TRUE(classify(230, 116, 132, refs, 3, 0.1f));
    EXPECT_FALSE(classify(230, 116, 132, refs, 1, 0.1f));  // only the blue entry
    EXPECT_FALSE(classify(200, 200, 0, refs, 3, 0.1f));
}

TEST(color_binarize, brightness_does_not_matter) {
    float refs[1][3];
    unit(refs[0], 230, 116, 132);
    EXPECT_TRUE(classify(115, 58, 66, refs, 1, 1e-3f));
    EXPECT_TRUE(classify(230, 116, 132, refs, 1, 1e-3f));
    for (float th : {0.05f, 0.2f, 0.5f, 1.0f}) {
        EXPECT_EQ(classify(200, 40, 40, refs, 1, th), classify(100, 20, 20, refs, 1, th)) << th;
    }
}

TEST(color_binarize, nan_reference_or_threshold_never_matches) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    float refs[2][3] = {{nan, 0.0f, 0.0f}, {}};
    unit(refs[1], 1, 0, 0);
    EXPECT_FALSE(classify(255, 0, 0, refs, 1, 0.5f));
    EXPECT_TRUE(classify(255, 0, 0, refs, 2, 0.5f));  // the next entry is still tried
    EXPECT_FALSE(classify(255, 0, 0, refs + 1, 1, nan));
    EXPECT_FALSE(classify(255, 0, 0, refs + 1, 1, 0.0f));
    EXPECT_FALSE(classify(255, 0, 0, refs + 1, 1, -1.0f));
}

TEST(color_binarize, empty_list_leaves_image_unchanged) {
    cv::Mat image(240, 320, CV_8UC3);
    cv::randu(image, 0, 256);
    const cv::Mat before = image.clone();
    float refs[1][3] = {{1, 0, 0}};
    recog::color_binarize(image, refs, 0, 0.5f);
    EXPECT_EQ(cv::norm(image, before, cv::NORM_INF), 0);
}

// Every pixel and every threshold, including thresholds at the computed distance and one float
// step either side of it, against the plain double computation.
TEST(color_binarize, same_as_double_computation_on_random_colours) {
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_real_distribution<double> unit_interval(0.0, 1.0);
    for (int round = 0; round < 40; ++round) {
        const int n = 1 + round % 16;
        float refs[16][3];
        for (int e = 0; e < n; ++e) unit(refs[e], byte(rng) + 1, byte(rng), byte(rng));
        cv::Mat image(48, 300, CV_8UC3);  // not a multiple of the internal block
        cv::randu(image, 0, 256);
        // Threshold right at the distance of one pixel to the first reference.
        const cv::Vec3b p0 = image.at<cv::Vec3b>(0, 0);
        const double m = std::sqrt(double(p0[2]) * p0[2] + double(p0[1]) * p0[1] + double(p0[0]) * p0[0]);
        const double d = std::sqrt(std::pow(p0[2] / m - refs[0][0], 2) + std::pow(p0[1] / m - refs[0][1], 2) +
                                   std::pow(p0[0] / m - refs[0][2], 2));
        float th = static_cast<float>(round % 3 == 0 ? d : unit_interval(rng) * 0.6);
        if (round % 3 == 1) th = static_cast<float>(d);
        if (round % 6 == 1) th = std::nextafter(th, 0.0f);
        if (round % 6 == 4) th = std::nextafter(th, 1.0f);
        const cv::Mat before = image.clone();
        recog::color_binarize(image, refs, n, th);
        int mismatches = 0;
        for (int y = 0; y < image.rows; ++y) {
            for (int x = 0; x < image.cols; ++x) {
                const cv::Vec3b in = before.at<cv::Vec3b>(y, x);
                const bool expected = literal::color_matches(in[2], in[1], in[0], refs, n, th);
                const cv::Vec3b out = image.at<cv::Vec3b>(y, x);
                mismatches += out != (expected ? cv::Vec3b(0, 0, 0) : cv::Vec3b(255, 255, 255));
            }
        }
        EXPECT_EQ(mismatches, 0) << "round " << round << " th " << th;
    }
}

// Pixels whose squared distance lands next to the squared threshold: the square-root-free
// comparison must agree with the rounded square root on both sides.
TEST(color_binarize, same_as_double_computation_at_the_threshold) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    int checked = 0;
    for (int i = 0; i < 20000; ++i) {
        float refs[1][3];
        unit(refs[0], byte(rng) + 1, byte(rng), byte(rng));
        const int red = byte(rng), green = byte(rng), blue = 1 + byte(rng) % 255;
        const double m = std::sqrt(double(red * red + green * green + blue * blue));
        const double dr = red / m - refs[0][0], dg = green / m - refs[0][1], db = blue / m - refs[0][2];
        const float th0 = static_cast<float>(std::sqrt(dr * dr + dg * dg + db * db));
        for (float th : {std::nextafter(th0, 0.0f), th0, std::nextafter(th0, 2.0f)}) {
            ASSERT_EQ(classify(red, green, blue, refs, 1, th), literal::color_matches(red, green, blue, refs, 1, th))
                << red << "," << green << "," << blue << " th " << th;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 60000);
}

// The still-image mode's reference colour (red 230, green 116, blue 132) scaled to unit length in
// double precision, and its rounding to single precision.
void still_reference(double exact[1][3], float rounded[1][3]) {
    const double length = std::sqrt(83780.0);
    const double rgb[3] = {230.0, 116.0, 132.0};
    for (int c = 0; c < 3; ++c) {
        exact[0][c] = rgb[c] / length;
        rounded[0][c] = static_cast<float>(exact[0][c]);
    }
}

// The distance of a colour's direction to a reference, as the defined computation has it.
double distance(int red, int green, int blue, const double ref[3]) {
    const double m = std::sqrt(static_cast<double>(red * red + green * green + blue * blue));
    const double dr = red / m - ref[0], dg = green / m - ref[1], db = blue / m - ref[2];
    return std::sqrt(dr * dr + dg * dg + db * db);
}

bool classify_double(int red, int green, int blue, const double (*refs)[3], int n, double th) {
    cv::Mat image(1, 1, CV_8UC3, cv::Scalar(blue, green, red));
    recog::color_binarize(image, refs, n, th);
    return image.at<cv::Vec3b>(0, 0)[0] == 0;
}

// A threshold equal to a colour's exact distance does not take it in. In single precision the
// nearest float to that threshold can lie above the distance and take it in: the double entry
// must use the threshold as given. The colour is found by search.
TEST(color_binarize, double_threshold_is_used_as_given) {
    double exact[1][3];
    float rounded[1][3];
    still_reference(exact, rounded);
    int found = 0, red = 0, green = 0, blue = 0;
    double d = 0;
    for (int r = 255; r > 0 && !found; --r) {
        for (int g = 0; g < 256 && !found; g += 3) {
            for (int b = 0; b < 256 && !found; b += 5) {
                d = distance(r, g, b, exact[0]);
                const float th = static_cast<float>(d);
                if (static_cast<double>(th) > d && literal::color_matches(r, g, b, rounded, 1, th)) {
                    found = 1;
                    red = r, green = g, blue = b;
                }
            }
        }
    }
    ASSERT_TRUE(found);
    EXPECT_FALSE(literal::color_matches(red, green, blue, exact, 1, d));
    EXPECT_FALSE(classify_double(red, green, blue, exact, 1, d)) << red << "," << green << "," << blue;
    EXPECT_TRUE(classify(red, green, blue, rounded, 1, static_cast<float>(d)));
    EXPECT_TRUE(classify_double(red, green, blue, exact, 1, std::nextafter(d, 1.0)));
}

// The reference scaled in double precision and its float rounding differ by about 1e-8: a
// threshold between a colour's distances to the two separates them. Found by search; the
// threshold is a float, so only the reference differs between the two entries.
TEST(color_binarize, double_reference_is_used_as_given) {
    double exact[1][3];
    float rounded[1][3];
    still_reference(exact, rounded);
    const double widened[3] = {rounded[0][0], rounded[0][1], rounded[0][2]};
    int found = 0, red = 0, green = 0, blue = 0;
    float th = 0;
    for (int r = 255; r > 0 && !found; --r) {
        for (int g = 0; g < 256 && !found; ++g) {
            for (int b = 0; b < 256 && !found; ++b) {
                const double to_exact = distance(r, g, b, exact[0]), to_rounded = distance(r, g, b, widened);
                // The smallest float above the nearer distance, if the farther one is not below it.
                const double nearer = std::min(to_exact, to_rounded);
                float t = static_cast<float>(nearer);
                if (static_cast<double>(t) <= nearer) t = std::nextafter(t, 2.0f);
                if (static_cast<double>(t) <= std::max(to_exact, to_rounded)) {
                    found = 1;
                    red = r, green = g, blue = b, th = t;
                }
            }
        }
    }
    ASSERT_TRUE(found);
    const bool expected = literal::color_matches(red, green, blue, exact, 1, static_cast<double>(th));
    EXPECT_EQ(classify_double(red, green, blue, exact, 1, th), expected)
        << red << "," << green << "," << blue;
    EXPECT_NE(classify(red, green, blue, rounded, 1, th), expected);
}

// Every 24-bit colour with the still-image mode's reference and threshold 0.2, as the double
// computation classifies it.
TEST(color_binarize, double_entry_on_every_colour) {
    double exact[1][3];
    float rounded[1][3];
    still_reference(exact, rounded);
    cv::Mat image(4096, 4096, CV_8UC3);
    for (int y = 0; y < image.rows; ++y) {
        for (int x = 0; x < image.cols; ++x) {
            const int colour = y * image.cols + x;
            image.at<cv::Vec3b>(y, x) = cv::Vec3b(colour & 255, colour >> 8 & 255, colour >> 16);
        }
    }
    recog::color_binarize(image, exact, 1, 0.2);
    int mismatches = 0, black = 0;
    for (int y = 0; y < image.rows; ++y) {
        for (int x = 0; x < image.cols; ++x) {
            const int colour = y * image.cols + x;
            const bool expected =
                literal::color_matches(colour >> 16, colour >> 8 & 255, colour & 255, exact, 1, 0.2);
            const cv::Vec3b out = image.at<cv::Vec3b>(y, x);
            mismatches += out != (expected ? cv::Vec3b(0, 0, 0) : cv::Vec3b(255, 255, 255));
            black += expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(black, 100000);  // the test is not empty
}

TEST(plane_to_att, widens_values_and_clears_labels) {
    uint8_t plane[recog::kFramePixels];
    for (int k = 0; k < recog::kFramePixels; ++k) plane[k] = static_cast<uint8_t>(k * 7);
    auto att = std::make_unique<recog::ImageAtt>();
    std::fill(att->label, att->label + recog::kFramePixels, 12345);
    recog::plane_to_att(plane, att.get());
    for (int k = 0; k < recog::kFramePixels; ++k) {
        ASSERT_EQ(att->value[k], static_cast<int32_t>(static_cast<uint8_t>(k * 7))) << k;
        ASSERT_EQ(att->label[k], -1) << k;
    }
}

TEST(image_to_plane, round_trip_through_grey_image_in_storage_order) {
    uint8_t plane[recog::kFramePixels], back[recog::kFramePixels];
    for (int k = 0; k < recog::kFramePixels; ++k) plane[k] = static_cast<uint8_t>(k % 251);
    cv::Mat grey;
    recog::plane_to_image(grey, plane);
    ASSERT_EQ(grey.type(), CV_8UC1);
    EXPECT_EQ(grey.at<uint8_t>(1, 0), plane[recog::kFrameWidth]);
    recog::image_to_plane(grey, back);
    EXPECT_TRUE(std::equal(plane, plane + recog::kFramePixels, back));
}

TEST(image_to_plane, refuses_an_image_of_another_size) {
    uint8_t plane[recog::kFramePixels];
    std::fill(plane, plane + recog::kFramePixels, uint8_t{9});
    std::string out;
    {
        platform::ConsoleRedirect capture(&out);
        recog::image_to_plane(cv::Mat(10, 10, CV_8UC1, cv::Scalar(0)), plane);
        recog::image_to_plane(cv::Mat(240, 320, CV_8UC3, cv::Scalar(0)), plane);
    }
    EXPECT_NE(out.find("エラー！(image_to_plane)"), std::string::npos);
    EXPECT_TRUE(std::all_of(plane, plane + recog::kFramePixels, [](uint8_t v) { return v == 9; }));
}

TEST(remove_isolated_pixels, flips_pixels_with_fewer_than_three_equal_neighbours) {
    BinaryFrame f;
    f.set(50, 50);                   // lone foreground pixel: becomes 254
    f.fill(100, 100, 101, 101);      // 2 x 2 block: each pixel has 3 equal neighbours, kept
    f.fill(200, 10, 204, 14);        // 5 x 5 block with a hole in the middle
    f.plane[12 * recog::kFrameWidth + 202] = 255;  // lone background pixel: becomes 0
    f.fill(150, 150, 152, 150);      // a row of three: the middle one has 2 equal neighbours
    f.set(0, 120);                   // border pixels never change
    f.set(319, 0);
    uint8_t expected[recog::kFramePixels];
    std::copy(f.plane, f.plane + recog::kFramePixels, expected);
    expected[50 * recog::kFrameWidth + 50] = 254;
    expected[12 * recog::kFrameWidth + 202] = 0;
    for (int x = 150; x <= 152; ++x) expected[150 * recog::kFrameWidth + x] = 254;
    recog::remove_isolated_pixels(f.plane);
    for (int k = 0; k < recog::kFramePixels; ++k)
        ASSERT_EQ(f.plane[k], expected[k])
            << "x " << k % recog::kFrameWidth << " y " << k / recog::kFrameWidth;
}

TEST(remove_isolated_pixels, counts_on_the_input_not_on_changed_pixels) {
    // A diagonal pair: each has one equal neighbour, so both flip, whatever the scan order.
    // The pixel to the right of the second one has 2 equal neighbours before the change.
    BinaryFrame f;
    f.set(10, 10);
    f.set(11, 11);
    recog::remove_isolated_pixels(f.plane);
    EXPECT_EQ(f.plane[10 * recog::kFrameWidth + 10], 254);
    EXPECT_EQ(f.plane[11 * recog::kFrameWidth + 11], 254);
    // Background next to them keeps 255: it has at least 6 background neighbours in the input.
    EXPECT_EQ(f.plane[10 * recog::kFrameWidth + 11], 255);
}

}  // namespace
