#pragma once
// Colour classification and the plain conversions between images and working planes.

#include <cstdint>

#include "recog/recog_types.h"

namespace cv {
class Mat;
}

namespace recog {

// Every pixel of the BGR image (CV_8UC3, any size) becomes black when its colour direction lies
// closer than th to one of the n unit reference colours (red, green, blue), white otherwise;
// n = 0 leaves the image as it was.
void color_binarize(cv::Mat& image, const float (*ref_colors)[3], int n, float th);
// The same with reference colours and threshold given in double precision (used as they are).
void color_binarize(cv::Mat& image, const double (*ref_colors)[3], int n, double th);
// Copies the 76800 bytes of a 320 x 240 grey image into the plane.
void image_to_plane(const cv::Mat& grey, uint8_t* plane);
// Copies the plane into a 320 x 240 grey image.
void plane_to_image(cv::Mat& grey, const uint8_t* plane);
// Values widened without sign into plane 0, every label set to -1.
void plane_to_att(const uint8_t* plane, ImageAtt* image_att);
// 3 x 3 filter: a pixel with fewer than 3 equal neighbours flips (nonzero -> 0, 0 -> 254).
void remove_isolated_pixels(uint8_t* plane);

}  // namespace recog
