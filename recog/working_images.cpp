#include "recog/working_images.h"

#include <algorithm>
#include <cstring>
#include <opencv2/core.hpp>

#include "platform/console.h"

namespace recog {

namespace {

bool is_frame_grey(const cv::Mat& grey) {
    return grey.type() == CV_8UC1 && grey.cols == kFrameWidth && grey.rows == kFrameHeight;
}

}  // namespace

void image_to_plane(const cv::Mat& grey, uint8_t* plane) {
    if (!is_frame_grey(grey)) {
        // Reading past a smaller image would be unsafe; the plane keeps what it held.
        platform::console_printf("エラー！(image_to_plane)320 x 240 の濃淡画像ではありません。\n");
        return;
    }
    for (int y = 0; y < kFrameHeight; ++y) std::memcpy(plane + y * kFrameWidth, grey.ptr<uint8_t>(y), kFrameWidth);
}

void plane_to_image(cv::Mat& grey, const uint8_t* plane) {
    grey.create(kFrameHeight, kFrameWidth, CV_8UC1);
    for (int y = 0; y < kFrameHeight; ++y) std::memcpy(grey.ptr<uint8_t>(y), plane + y * kFrameWidth, kFrameWidth);
}

void plane_to_att(const uint8_t* plane, ImageAtt* image_att) {
    for (int k = 0; k < kFramePixels; ++k) image_att->value[k] = plane[k];
    std::fill(image_att->label, image_att->label + kFramePixels, -1);
}

void remove_isolated_pixels(uint8_t* plane) {
    // Counting must see the input, not the pixels already changed: keep the original of the row
    // above and of the current row while rewriting in place (the row below is not yet touched).
    uint8_t above[kFrameWidth];
    uint8_t current[kFrameWidth];
    std::memcpy(current, plane, kFrameWidth);
    for (int y = 1; y < kFrameHeight - 1; ++y) {
        std::memcpy(above, current, kFrameWidth);
        uint8_t* row = plane + y * kFrameWidth;
        std::memcpy(current, row, kFrameWidth);
        const uint8_t* below = row + kFrameWidth;
        for (int x = 1; x < kFrameWidth - 1; ++x) {
            const uint8_t v = current[x];
            const int equal = (above[x - 1] == v) + (above[x] == v) + (above[x + 1] == v) + (current[x - 1] == v) +
                              (current[x + 1] == v) + (below[x - 1] == v) + (below[x] == v) + (below[x + 1] == v);
            if (equal < 3) row[x] = v != 0 ? 0 : 254;
        }
    }
}

}  // namespace recog
