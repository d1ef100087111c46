#include "app/service_frame.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "recog/recog_types.h"

namespace app {

bool frame_to_upright_image(const uint8_t* frame, int width, int height, cv::Mat& image) {
    if (!frame || width <= 0 || height <= 0) return false;
    image.create(recog::kFrameHeight, recog::kFrameWidth, CV_8UC3);  // no allocation once it has this form
    // A header over the library's buffer: nothing is written through it.
    const cv::Mat delivered(height, width, CV_8UC3, const_cast<uint8_t*>(frame));
    if (width == recog::kFrameWidth && height == recog::kFrameHeight) {
        cv::flip(delivered, image, 0);
        return true;
    }
    // Nearest neighbour, as everywhere else in the tool: no blended colours at the cones' edges.
    cv::resize(delivered, image, image.size(), 0, 0, cv::INTER_NEAREST);
    cv::flip(image, image, 0);
    return true;
}

}  // namespace app
