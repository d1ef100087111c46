#pragma once
// What a request's recognition found, drawn over the camera pictures: every candidate boxed and
// named, its partner, and the distance of the reported objects. The picture a user tunes colours
// and size limits by (both pictures side by side), and the overlay of the service's windows.

#include <opencv2/core/mat.hpp>
#include <vector>

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

enum class PairState { unpaired, not_reported, reported };

// One candidate as the annotation shows it.
struct AnnotatedCandidate {
    recog::AreaInfo area{};  // its box and centre
    PairState state = PairState::unpaired;
    int partner = -1;     // index of the candidate it is paired with on the other side
    double distance = 0;  // x of the reported object (reported candidates only)
};

// The candidates of both pictures, in the finder's order.
struct StereoAnnotation {
    std::vector<AnnotatedCandidate> left, right;
};

// Reads the recognition's results: image_info[2], area_info_large[2 x 256] and match_list[256]
// as the finder and the pairing left them. With subpixel_large (precise mode, 2 x 256 entries)
// the distances are those of the sub-pixel measures, as in the report.
StereoAnnotation describe_stereo_pair(const recog::ImageInfo* image_info, const recog::AreaInfo* area_info_large,
                                      const int* match_list, const recog::SubpixelArea* subpixel_large = nullptr);

enum class Side { left, right };

// Draws one side's candidates onto a 320 x 240 BGR camera picture: boxes, names with their
// partners ("L0-R1"), and the distance under each reported one.
void draw_camera_annotation(cv::Mat& picture, const StereoAnnotation& annotation, Side side);

// left and right: 320 x 240 BGR pictures. Returns a 1280 x 504 BGR picture: left at the left,
// right beside it, each candidate boxed and numbered (L0.., R0..), a line for each pairing, the
// distance x under every reported object, and a legend of the colours underneath.
cv::Mat annotate_stereo_pair(const cv::Mat& left, const cv::Mat& right, const StereoAnnotation& annotation);
cv::Mat annotate_stereo_pair(const cv::Mat& left, const cv::Mat& right, const recog::ImageInfo* image_info,
                             const recog::AreaInfo* area_info_large, const int* match_list,
                             const recog::SubpixelArea* subpixel_large = nullptr);

}  // namespace app
