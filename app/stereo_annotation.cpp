#include "app/stereo_annotation.h"

#include <algorithm>
#include <cstdio>
#include <opencv2/imgproc.hpp>

#include "recog/location_report.h"

namespace app {
namespace {

const cv::Scalar& colour_of(PairState s) {
    switch (s) {
        case PairState::reported:
            return kReportedColour;
        case PairState::not_reported:
            return kNotReportedColour;
        case PairState::unpaired:
            break;
    }
    return kUnpairedColour;
}

constexpr int kFont = cv::FONT_HERSHEY_SIMPLEX;
constexpr double kFontScale = 0.4;

cv::Point scaled(int x, int y, int offset_x) {
    return {offset_x + x * kAnnotationScale + kAnnotationScale / 2,
            y * kAnnotationScale + kAnnotationScale / 2};
}

// Text kept inside the picture part it belongs to (a camera picture drawn at `scale`).
void label(cv::Mat& canvas, const char* text, cv::Point at, int offset_x, int scale,
           const cv::Scalar& colour) {
    int baseline = 0;
    const cv::Size size = cv::getTextSize(text, kFont, kFontScale, 1, &baseline);
    const int width = recog::kFrameWidth * scale;
    const int height = recog::kFrameHeight * scale;
    at.x = std::clamp(at.x, offset_x, offset_x + std::max(0, width - size.width));
    at.y = std::clamp(at.y, size.height, std::max(size.height, height - baseline));
    cv::putText(canvas, text, at, kFont, kFontScale, colour, 1, cv::LINE_AA);
}

// The candidate's box, enclosing its outermost pixels, with its name above it.
void draw_box(cv::Mat& canvas, const AnnotatedCandidate& c, int offset_x, int scale, const char* name) {
    const recog::AreaInfo& a = c.area;
    const cv::Scalar& colour = colour_of(c.state);
    const int x0 = std::min(a.min_x, a.max_x), x1 = std::max(a.min_x, a.max_x);
    const int y0 = std::min(a.min_y, a.max_y), y1 = std::max(a.min_y, a.max_y);
    cv::rectangle(canvas, cv::Point(offset_x + x0 * scale - 1, y0 * scale - 1),
                  cv::Point(offset_x + (x1 + 1) * scale, (y1 + 1) * scale), colour, 1);
    label(canvas, name, cv::Point(offset_x + x0 * scale, y0 * scale - 4), offset_x, scale, colour);
}

// The distance under a reported candidate's box.
void draw_distance(cv::Mat& canvas, const AnnotatedCandidate& c, int offset_x, int scale) {
    if (c.state != PairState::reported) return;
    char text[64];
    std::snprintf(text, sizeof text, "x=%.1f", c.distance);
    const recog::AreaInfo& a = c.area;
    const int bottom = (std::max(a.min_y, a.max_y) + 1) * scale;
    label(canvas, text, cv::Point(offset_x + std::min(a.min_x, a.max_x) * scale, bottom + 14), offset_x,
          scale, kReportedColour);
}

}  // namespace

StereoAnnotation describe_stereo_pair(const recog::ImageInfo* image_info, const recog::AreaInfo* area_info_large,
                                      const int* match_list, const recog::SubpixelArea* subpixel_large) {
    const int left_num = std::clamp(image_info[0].area_num, 0, recog::kMaxAreas);
    const int right_num = std::clamp(image_info[1].area_num, 0, recog::kMaxAreas);
    const recog::AreaInfo* right_areas = area_info_large + recog::kMaxAreas;
    StereoAnnotation out;
    out.left.resize(static_cast<size_t>(left_num));
    out.right.resize(static_cast<size_t>(right_num));
    for (int j = 0; j < right_num; ++j) out.right[j].area = right_areas[j];
    for (int i = 0; i < left_num; ++i) {
        AnnotatedCandidate& l = out.left[i];
        l.area = area_info_large[i];
        const int j = match_list[i];
        if (j < 0 || j >= right_num) continue;
        recog::CornLocation location{};
        const bool reported =
            subpixel_large ? recog::corn_locate_pair(subpixel_large[i], subpixel_large[recog::kMaxAreas + j], &location)
                           : recog::corn_locate_pair(area_info_large[i], right_areas[j], &location);
        l.state = reported ? PairState::reported : PairState::not_reported;
        l.partner = j;
        l.distance = location.x;
        // A right candidate chosen by several left ones shows the best of their states.
        AnnotatedCandidate& r = out.right[j];
        if (r.partner < 0 || l.state > r.state) {
            r.state = l.state;
            r.partner = i;
            r.distance = l.distance;
        }
    }
    return out;
}

void draw_camera_annotation(cv::Mat& picture, const StereoAnnotation& annotation, Side side) {
    const bool left = side == Side::left;
    const std::vector<AnnotatedCandidate>& own = left ? annotation.left : annotation.right;
    char name[32];
    for (size_t k = 0; k < own.size(); ++k) {
        const AnnotatedCandidate& c = own[k];
        if (c.partner >= 0) {
            std::snprintf(name, sizeof name, left ? "L%zu-R%d" : "R%zu-L%d", k, c.partner);
        } else {
            std::snprintf(name, sizeof name, left ? "L%zu" : "R%zu", k);
        }
        draw_box(picture, c, 0, 1, name);
        draw_distance(picture, c, 0, 1);
    }
}

cv::Mat annotate_stereo_pair(const cv::Mat& left, const cv::Mat& right, const StereoAnnotation& annotation) {
    const int w = recog::kFrameWidth * kAnnotationScale;
    const int h = recog::kFrameHeight * kAnnotationScale;
    cv::Mat canvas(h + kLegendHeight, 2 * w, CV_8UC3, cv::Scalar(0, 0, 0));
    cv::Mat left_part = canvas(cv::Rect(0, 0, w, h));
    cv::Mat right_part = canvas(cv::Rect(w, 0, w, h));
    cv::resize(left, left_part, left_part.size(), 0, 0, cv::INTER_NEAREST);
    cv::resize(right, right_part, right_part.size(), 0, 0, cv::INTER_NEAREST);
    cv::line(canvas, cv::Point(w, 0), cv::Point(w, h - 1), cv::Scalar(255, 255, 255), 1);

    char text[64];
    for (size_t j = 0; j < annotation.right.size(); ++j) {
        std::snprintf(text, sizeof text, "R%zu", j);
        draw_box(canvas, annotation.right[j], w, kAnnotationScale, text);
    }
    for (size_t i = 0; i < annotation.left.size(); ++i) {
        const AnnotatedCandidate& l = annotation.left[i];
        std::snprintf(text, sizeof text, "L%zu", i);
        draw_box(canvas, l, 0, kAnnotationScale, text);
        if (l.partner < 0) continue;
        const recog::AreaInfo& r = annotation.right[static_cast<size_t>(l.partner)].area;
        cv::line(canvas, scaled(l.area.cog_x, l.area.cog_y, 0), scaled(r.cog_x, r.cog_y, w),
                 colour_of(l.state), 1);
        draw_distance(canvas, l, 0, kAnnotationScale);
    }

    const int y = h + kLegendHeight - 8;
    cv::putText(canvas, "reported", cv::Point(8, y), kFont, kFontScale, kReportedColour, 1, cv::LINE_AA);
    cv::putText(canvas, "paired, nearer than 200", cv::Point(100, y), kFont, kFontScale, kNotReportedColour,
                1, cv::LINE_AA);
    cv::putText(canvas, "no partner", cv::Point(300, y), kFont, kFontScale, kUnpairedColour, 1, cv::LINE_AA);
    return canvas;
}

cv::Mat annotate_stereo_pair(const cv::Mat& left, const cv::Mat& right, const recog::ImageInfo* image_info,
                             const recog::AreaInfo* area_info_large, const int* match_list,
                             const recog::SubpixelArea* subpixel_large) {
    return annotate_stereo_pair(
        left, right, describe_stereo_pair(image_info, area_info_large, match_list, subpixel_large));
}

}  // namespace app
