#include "app/stereo_annotation.h"

#include <algorithm>
#include <cstdio>
#include <opencv2/imgproc.hpp>

#include "recog/location_report.h"

namespace app {
namespace {

enum class PairState { unpaired, not_reported, reported };

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

// Text kept inside the picture part it belongs to.
void label(cv::Mat& canvas, const char* text, cv::Point at, int offset_x, const cv::Scalar& colour) {
    int baseline = 0;
    const cv::Size size = cv::getTextSize(text, kFont, kFontScale, 1, &baseline);
    const int width = recog::kFrameWidth * kAnnotationScale;
    const int height = recog::kFrameHeight * kAnnotationScale;
    at.x = std::clamp(at.x, offset_x, offset_x + std::max(0, width - size.width));
    at.y = std::clamp(at.y, size.height, std::max(size.height, height - baseline));
    cv::putText(canvas, text, at, kFont, kFontScale, colour, 1, cv::LINE_AA);
}

void draw_box(cv::Mat& canvas, const recog::AreaInfo& a, int offset_x, const cv::Scalar& colour,
              const char* name) {
    const int x0 = std::min(a.min_x, a.max_x), x1 = std::max(a.min_x, a.max_x);
    const int y0 = std::min(a.min_y, a.max_y), y1 = std::max(a.min_y, a.max_y);
    // The box encloses the candidate's outermost pixels.
    cv::rectangle(canvas, cv::Point(offset_x + x0 * kAnnotationScale - 1, y0 * kAnnotationScale - 1),
                  cv::Point(offset_x + (x1 + 1) * kAnnotationScale, (y1 + 1) * kAnnotationScale), colour, 1);
    label(canvas, name, cv::Point(offset_x + x0 * kAnnotationScale, y0 * kAnnotationScale - 4), offset_x,
          colour);
}

}  // namespace

cv::Mat annotate_stereo_pair(const cv::Mat& left, const cv::Mat& right, const recog::ImageInfo* image_info,
                             const recog::AreaInfo* area_info_large, const int* match_list,
                             const recog::SubpixelArea* subpixel_large) {
    const int w = recog::kFrameWidth * kAnnotationScale;
    const int h = recog::kFrameHeight * kAnnotationScale;
    cv::Mat canvas(h + kLegendHeight, 2 * w, CV_8UC3, cv::Scalar(0, 0, 0));
    cv::Mat left_part = canvas(cv::Rect(0, 0, w, h));
    cv::Mat right_part = canvas(cv::Rect(w, 0, w, h));
    cv::resize(left, left_part, left_part.size(), 0, 0, cv::INTER_NEAREST);
    cv::resize(right, right_part, right_part.size(), 0, 0, cv::INTER_NEAREST);
    cv::line(canvas, cv::Point(w, 0), cv::Point(w, h - 1), cv::Scalar(255, 255, 255), 1);

    const int left_num = std::clamp(image_info[0].area_num, 0, recog::kMaxAreas);
    const int right_num = std::clamp(image_info[1].area_num, 0, recog::kMaxAreas);
    const recog::AreaInfo* right_areas = area_info_large + recog::kMaxAreas;

    PairState left_state[recog::kMaxAreas];
    PairState right_state[recog::kMaxAreas];
    recog::CornLocation location[recog::kMaxAreas];
    std::fill(right_state, right_state + recog::kMaxAreas, PairState::unpaired);
    for (int i = 0; i < left_num; ++i) {
        const int j = match_list[i];
        left_state[i] = PairState::unpaired;
        if (j < 0 || j >= right_num) continue;
        const bool reported = subpixel_large
                                  ? recog::corn_locate_pair(
                                        subpixel_large[i], subpixel_large[recog::kMaxAreas + j], &location[i])
                                  : recog::corn_locate_pair(area_info_large[i], right_areas[j], &location[i]);
        left_state[i] = reported ? PairState::reported : PairState::not_reported;
        right_state[j] = std::max(right_state[j], left_state[i]);
    }

    char text[64];
    for (int j = 0; j < right_num; ++j) {
        std::snprintf(text, sizeof text, "R%d", j);
        draw_box(canvas, right_areas[j], w, colour_of(right_state[j]), text);
    }
    for (int i = 0; i < left_num; ++i) {
        const recog::AreaInfo& l = area_info_large[i];
        std::snprintf(text, sizeof text, "L%d", i);
        draw_box(canvas, l, 0, colour_of(left_state[i]), text);
        if (left_state[i] == PairState::unpaired) continue;
        const recog::AreaInfo& r = right_areas[match_list[i]];
        cv::line(canvas, scaled(l.cog_x, l.cog_y, 0), scaled(r.cog_x, r.cog_y, w), colour_of(left_state[i]),
                 1);
        if (left_state[i] == PairState::reported) {
            std::snprintf(text, sizeof text, "x=%.1f", location[i].x);
            const int bottom = (std::max(l.min_y, l.max_y) + 1) * kAnnotationScale;
            label(canvas, text, cv::Point(std::min(l.min_x, l.max_x) * kAnnotationScale, bottom + 14), 0,
                  kReportedColour);
        }
    }

    const int y = h + kLegendHeight - 8;
    cv::putText(canvas, "reported", cv::Point(8, y), kFont, kFontScale, kReportedColour, 1, cv::LINE_AA);
    cv::putText(canvas, "paired, nearer than 200", cv::Point(100, y), kFont, kFontScale, kNotReportedColour,
                1, cv::LINE_AA);
    cv::putText(canvas, "no partner", cv::Point(300, y), kFont, kFontScale, kUnpairedColour, 1, cv::LINE_AA);
    return canvas;
}

}  // namespace app
