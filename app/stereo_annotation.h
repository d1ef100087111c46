#pragma once
// The picture a user tunes colours and size limits by: both camera pictures side by side with the
// candidates, their pairings and the distances of the reported objects.

#include <opencv2/core/mat.hpp>

#include "recog/recog_types.h"
#include "recog/subpixel_measures.h"

namespace app {

// Drawing colours (BGR) of the annotation.
inline const cv::Scalar kReportedColour(0, 220, 0);       // paired and reported
inline const cv::Scalar kNotReportedColour(0, 160, 255);  // paired, but nearer than the minimum distance
inline const cv::Scalar kUnpairedColour(255, 255, 0);     // no partner
// Each picture is drawn at this multiple of its size, so the labels stay legible.
inline constexpr int kAnnotationScale = 2;
inline constexpr int kLegendHeight = 24;

// left and right: 320 x 240 BGR pictures. Returns a 1280 x 504 BGR picture: left at the left,
// right beside it, each candidate boxed and numbered (L0.., R0..), a line for each pairing, the
// distance x under every reported object, and a legend of the colours underneath. With
// subpixel_large (precise mode, 2 x 256 entries) the distances are those of the sub-pixel measures.
cv::Mat annotate_stereo_pair(const cv::Mat& left, const cv::Mat& right, const recog::ImageInfo* image_info,
                             const recog::AreaInfo* area_info_large, const int* match_list,
                             const recog::SubpixelArea* subpixel_large = nullptr);

}  // namespace app
